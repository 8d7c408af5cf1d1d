// PCX with run-length encoding: 8 bits with the 256-colour palette at the end, 8 bits in three
// planes (RGB) and 1 bit (black and white: the version that carries no palette).
#include "imaging/decode/DecoderParts.h"

#include <cstring>
#include <memory>
#include <new>

namespace imaging::detail {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 769;  // 0x0C and 256 RGB triples

// Run-length bytes: a byte with both high bits set repeats the next byte (its low six bits)
// times. Runs may carry on into the next scan line, as some writers produce, but never past
// the last one.
class RunDecoder {
 public:
  explicit RunDecoder(ByteView data) : data_(data) {}

  DecodeStatus Fill(uint8_t* line, size_t length) {
    size_t filled = 0;
    while (filled < length) {
      if (run_ > 0) {
        const size_t n = run_ < length - filled ? run_ : length - filled;
        std::memset(line + filled, value_, n);
        filled += n;
        run_ -= n;
        continue;
      }
      if (!data_.Has(at_, 1)) return DecodeStatus::Truncated;
      const uint8_t b = data_.U8(at_++);
      if ((b & 0xC0) == 0xC0) {
        if (!data_.Has(at_, 1)) return DecodeStatus::Truncated;
        run_ = b & 0x3F;
        value_ = data_.U8(at_++);
      } else {
        line[filled++] = b;
      }
    }
    return DecodeStatus::Ok;
  }
  // A run still going after the last scan line ran past the picture.
  bool Finished() const { return run_ == 0; }

 private:
  ByteView data_;
  size_t at_ = 0;
  size_t run_ = 0;
  uint8_t value_ = 0;
};

}  // namespace

DecodeStatus DecodePcx(ByteView file, RowSink& sink) {
  if (!file.Has(0, kHeaderSize)) return DecodeStatus::Truncated;
  const unsigned bpp = file.U8(3), planes = file.U8(65);
  const uint32_t xMin = file.U16(4), yMin = file.U16(6), xMax = file.U16(8), yMax = file.U16(10);
  const uint64_t bytesPerLine = file.U16(66);
  if (xMax < xMin || yMax < yMin) return DecodeStatus::Corrupt;
  const uint32_t width = xMax - xMin + 1, height = yMax - yMin + 1;
  if (!(bpp == 8 && (planes == 1 || planes == 3)) && !(bpp == 1 && planes == 1))
    return DecodeStatus::Unsupported;
  if (bytesPerLine < (uint64_t{width} * bpp + 7) / 8) return DecodeStatus::Corrupt;

  ByteView data = file.Sub(kHeaderSize, file.size - kHeaderSize);
  const uint8_t* palette = nullptr;
  if (bpp == 8 && planes == 1) {
    if (file.Has(kHeaderSize, kPaletteSize) && file.U8(file.size - kPaletteSize) == 0x0C) {
      palette = file.data + file.size - kPaletteSize + 1;
      data.size -= kPaletteSize;
    }
  }
  // Each two bytes give at most 63, so a file this short cannot hold the picture.
  const uint64_t lineBytes = bytesPerLine * planes;
  if (lineBytes * height / 63 * 2 > data.size) return DecodeStatus::Truncated;

  const DecodeStatus started = sink.Start(width, height, RowOrder::TopDown);
  if (started != DecodeStatus::Ok) return started;
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[lineBytes]);
  if (!line) return DecodeStatus::TooLarge;

  RunDecoder runs(data);
  for (uint32_t y = 0; y < height; ++y) {
    const DecodeStatus filled = runs.Fill(line.get(), lineBytes);
    if (filled != DecodeStatus::Ok) return filled;
    uint8_t* dst = sink.Row(y);
    if (dst == nullptr) return DecodeStatus::TooLarge;
    const uint8_t* src = line.get();
    if (bpp == 1) {
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t v = (src[x / 8] >> (7 - x % 8)) & 1 ? 0xFF : 0;
        PutBgra(dst + size_t{x} * 4, v, v, v, 0xFF);
      }
    } else if (planes == 3) {
      for (uint32_t x = 0; x < width; ++x)
        PutBgra(dst + size_t{x} * 4, src[x + 2 * bytesPerLine], src[x + bytesPerLine], src[x], 0xFF);
    } else if (palette != nullptr) {
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* rgb = palette + src[x] * 3;
        PutBgra(dst + size_t{x} * 4, rgb[2], rgb[1], rgb[0], 0xFF);
      }
    }
  }
  if (!runs.Finished()) return DecodeStatus::Corrupt;
  // Its palette comes last, so a file without one most likely lost its end.
  if (bpp == 8 && planes == 1 && palette == nullptr) return DecodeStatus::Truncated;
  return DecodeStatus::Ok;
}

}  // namespace imaging::detail
