// Writers for small test pictures, so fixtures are described in the tests instead of being
// opaque files. They write what they are told, including wrong things.
#pragma once

#include "imaging/decode/PictureDecoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<uint8_t>;

struct Rgba {
  uint8_t r, g, b, a;
};

// Little-endian appenders.
void Put16(Bytes& out, uint32_t v);
void Put32(Bytes& out, uint32_t v);
void Set32(Bytes& out, size_t at, uint32_t v);
void Set16(Bytes& out, size_t at, uint32_t v);

// BMP ------------------------------------------------------------------------------------------
struct BmpLayout {
  uint32_t headerSize = 40;  // 12 writes the OS/2 core header
  int32_t width = 0;
  int32_t height = 0;  // negative: top-down
  uint16_t bpp = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;  // 0: the palette's size when short of 2^bpp
  std::vector<Rgba> palette;
  std::vector<uint32_t> masks;  // written after a 40-byte header, or inside larger headers
  Bytes pixels;                 // the stored pixel data, already padded or encoded
};
Bytes MakeBmp(const BmpLayout& layout);
// Pads rows given as packed bytes to 4-byte strides, in the order given.
Bytes PadRows(const std::vector<Bytes>& rows);

// GIF ------------------------------------------------------------------------------------------
// Packs LZW codes of changing widths into bytes, least significant bit first.
class CodeWriter {
 public:
  void Add(unsigned code, unsigned bits);
  Bytes Finish();

 private:
  Bytes bytes_;
  uint32_t buffer_ = 0;
  unsigned count_ = 0;
};
// A valid LZW stream of the indices that uses literals only; the code width grows exactly as
// a decoder's does, and without clearCodeEvery the table fills up past 4096 entries' worth.
Bytes LiteralLzw(const std::vector<uint8_t>& indices, unsigned minCodeSize,
                 unsigned clearCodeEvery = 0);

struct GifLayout {
  uint16_t screenWidth = 0, screenHeight = 0;
  std::vector<Rgba> globalColours;  // empty: no global table; size rounded up to a power of 2
  std::vector<Rgba> localColours;
  uint16_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  int transparentIndex = -1;
  uint8_t minCodeSize = 2;
  Bytes lzw;  // the code bytes, split into sub-blocks by the writer
  bool trailer = true;
};
Bytes MakeGif(const GifLayout& layout);

// PCX ------------------------------------------------------------------------------------------
struct PcxLayout {
  uint8_t version = 5;
  uint8_t bpp = 8;
  uint8_t planes = 1;
  uint16_t width = 0, height = 0;
  uint16_t bytesPerLine = 0;  // 0: the least the width needs, rounded up to even
  Bytes encoded;              // run-length data; empty: encode `lines` with RunLengthPcx
  std::vector<Bytes> lines;   // raw scan lines, all planes of a line together
  std::vector<Rgba> palette;  // written at the end with 0x0C when not empty
};
Bytes RunLengthPcx(const std::vector<Bytes>& lines);
Bytes MakePcx(const PcxLayout& layout);

// ICO / CUR ------------------------------------------------------------------------------------
struct IconEntry {
  uint8_t width = 0, height = 0;  // as written in the directory (0 means 256)
  uint16_t bpp = 32;
  Bytes payload;
  int64_t offsetOverride = -1;
  int64_t sizeOverride = -1;
};
Bytes MakeIcon(const std::vector<IconEntry>& entries, bool cursor = false);
// The DIB of an icon: header with doubled height, palette, colour rows, AND mask rows.
Bytes MakeIconDib(int32_t width, int32_t height, uint16_t bpp, const std::vector<Rgba>& palette,
                  const std::vector<Bytes>& colourRows, const std::vector<Bytes>& maskRows,
                  uint32_t colorsUsed = 0);

// PNG and JPEG through the libraries ------------------------------------------------------------
struct PngLayout {
  uint32_t width = 0, height = 0;
  int colourType = 2;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<Rgba> palette;
  Bytes paletteAlpha;           // tRNS for palettes
  int transparentGrey = -1;     // tRNS for grey
  std::vector<uint16_t> samples;  // width * height * channels samples, row-major
};
Bytes MakePng(const PngLayout& layout);
// A 1-bit grey picture of zeros, written row by row so its size costs no memory here.
Bytes MakeBlankPng(uint32_t width, uint32_t height, bool interlaced);

// Gives a written PNG another size in its header (with the chunk's CRC made right again), so a
// small file can claim a size its data does not fill.
void SetPngSize(Bytes& png, uint32_t width, uint32_t height);

enum class JpegKind { Baseline, Progressive, Arithmetic, Grey, Cmyk, Ycck };
// A smooth gradient picture: r = x * 255 / (w-1), g = y * 255 / (h-1), b = 128.
Bytes MakeJpeg(uint32_t width, uint32_t height, JpegKind kind, int quality = 95);
// One scan of a progressive greyscale JPEG: coefficients ss to se, successive approximation
// bits ah and al.
struct JpegScan {
  int ss, se, ah, al;
};
// The gradient in grey, written with these scans (libjpeg checks that they form a valid
// progression). The scans are then stored in the order `order` gives, each with the Huffman
// tables written before it; an empty order keeps them as they are.
Bytes MakeProgressiveGreyJpeg(uint32_t width, uint32_t height, const std::vector<JpegScan>& scans,
                              const std::vector<size_t>& order = {});
// Gives a written JPEG another size in its frame header; its data then covers only part of it.
void SetJpegSize(Bytes& jpeg, uint32_t width, uint32_t height);
// The offset just past the first start-of-scan header, where entropy-coded data begins.
size_t JpegScanDataStart(const Bytes& jpeg);

// Fixture files and a picture's pixel in RGBA.
Bytes ReadFile(const std::string& path);
// Decodes fully and by the check, expecting both to agree.
imaging::DecodedPicture DecodeBoth(const Bytes& file, const imaging::DecodeLimits& limits = {});
Rgba PixelAt(const imaging::DecodedPicture& picture, uint32_t x, uint32_t y);
bool operator==(const Rgba& a, const Rgba& b);
std::string ToString(const Rgba& c);

struct Probe {
  uint32_t x, y;
  Rgba colour;
};
// A table row: a fixture, what decoding it gives and a few pixels it must have.
struct Case {
  std::string name;
  Bytes file;
  imaging::DecodeStatus status = imaging::DecodeStatus::Ok;
  uint32_t width = 0, height = 0;
  std::vector<Probe> probes;
};
inline Case Refused(std::string name, Bytes file, imaging::DecodeStatus status) {
  return Case{std::move(name), std::move(file), status, 0, 0, {}};
}
// Runs DecodeBoth on the case and checks status, size and probes.
void ExpectCase(const Case& c);

}  // namespace fixtures
