// Pieces shared by the format decoders of this directory; not part of the module's interface.
#pragma once

#include "imaging/decode/PictureDecoder.h"

#include <cstddef>
#include <cstdint>

namespace imaging::detail {

// The order in which a decoder produces its rows: a full decode's memory grows with the rows
// reached in that order, so a file whose data ends early costs only what it held.
enum class RowOrder { TopDown, BottomUp };

// Where a decoder puts its rows. The sink checks the size against the limits and allocates
// nothing before the first row; a full decode keeps every row, a check keeps a few scratch rows.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // Called once, before Row; anything but Ok ends the decode.
  virtual DecodeStatus Start(uint32_t width, uint32_t height, RowOrder order) = 0;
  // width * 4 bytes for row y (y < height), or nullptr when memory for it cannot be had (the
  // decoder then returns TooLarge). A full decode's rows start transparent black; a check's rows
  // hold leftovers and may alias other rows, so decoders only write them. Rows may be asked for
  // in any order, but memory grows with the furthest row reached in the Start order.
  virtual uint8_t* Row(uint32_t y) = 0;
  virtual const DecodeLimits& Limits() const = 0;
  // False for a check: a decoder may then skip work that only converts pixels and cannot fail.
  virtual bool KeepsPixels() const = 0;
};

// Reads little-endian fields at fixed offsets; an offset past the end reads as absent.
struct ByteView {
  const uint8_t* data = nullptr;
  size_t size = 0;

  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= size && count <= size - offset;
  }
  uint8_t U8(size_t at) const { return data[at]; }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
  uint32_t U32(size_t at) const {
    return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
           static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
  }
  int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
  ByteView Sub(size_t offset, size_t count) const { return {data + offset, count}; }
};

inline void PutBgra(uint8_t* px, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  px[0] = b;
  px[1] = g;
  px[2] = r;
  px[3] = a;
}

DecodeStatus DecodeBmp(ByteView file, RowSink& sink);
// A picture inside an icon: a DIB whose height counts its AND mask, or a PNG. Its own header
// gives its size, whatever the icon's directory says.
DecodeStatus DecodeIconPicture(ByteView picture, RowSink& sink);
DecodeStatus DecodeIcon(ByteView file, RowSink& sink);
DecodeStatus DecodeGif(ByteView file, RowSink& sink);
DecodeStatus DecodePcx(ByteView file, RowSink& sink);
DecodeStatus DecodeJpeg(ByteView file, RowSink& sink);
DecodeStatus DecodePng(ByteView file, RowSink& sink);

}  // namespace imaging::detail
