// Writes the fuzzers' seed corpus: a few small pictures of each format and variant.
// Usage: write_fuzz_seeds <corpus directory>; it expects one subdirectory per format.
#include "FixtureWriters.h"

#include <cstdio>
#include <png.h>
#include <string>

using namespace fixtures;

namespace {

std::string root;

void Write(const char* format, const char* name, const Bytes& bytes) {
  const std::string path = root + "/" + format + "/" + name;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  } else {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  }
}

const std::vector<Rgba> kFour{{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};

Bytes Bmp(int32_t w, int32_t h, uint16_t bpp, Bytes pixels, uint32_t compression = 0,
          std::vector<uint32_t> masks = {}, uint32_t headerSize = 40) {
  BmpLayout s;
  s.width = w;
  s.height = h;
  s.bpp = bpp;
  s.pixels = std::move(pixels);
  s.compression = compression;
  s.masks = std::move(masks);
  s.headerSize = headerSize;
  if (bpp <= 8) s.palette = kFour;
  return MakeBmp(s);
}

Bytes Png(uint32_t w, uint32_t h, int type, int depth, bool interlaced) {
  PngLayout s;
  s.width = w;
  s.height = h;
  s.colourType = type;
  s.bitDepth = depth;
  s.interlaced = interlaced;
  const int channels = type == 0 || type == 3 ? 1 : type == 4 ? 2 : type == 2 ? 3 : 4;
  const uint32_t top = depth == 16 ? 65535u : (1u << depth) - 1;
  for (size_t i = 0; i < size_t{w} * h * channels; ++i) s.samples.push_back(static_cast<uint16_t>(i * 97 % (top + 1)));
  if (type == 3) {
    for (uint32_t i = 0; i <= top; ++i) s.palette.push_back({uint8_t(i * 5), uint8_t(i), uint8_t(255 - i), 255});
    s.paletteAlpha = {0, 128};
  }
  return MakePng(s);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  root = argv[1];

  Write("bmp", "1bit.bmp", Bmp(9, 3, 1, PadRows({{0xA5, 0x80}, {0x5A, 0}, {0xFF, 0x80}})));
  Write("bmp", "4bit.bmp", Bmp(3, 2, 4, PadRows({{0x12, 0x30}, {0x01, 0x20}})));
  Write("bmp", "8bit-topdown.bmp", Bmp(2, -2, 8, PadRows({{0, 1}, {2, 3}})));
  Write("bmp", "16bit-565.bmp", Bmp(2, 1, 16, PadRows({{0x00, 0xF8, 0x1F, 0x00}}), 3, {0xF800, 0x07E0, 0x001F}));
  Write("bmp", "24bit.bmp", Bmp(2, 2, 24, PadRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})));
  Write("bmp", "32bit-v4-alpha.bmp", Bmp(1, 1, 32, {10, 20, 30, 128}, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 108));
  Write("bmp", "core.bmp", Bmp(2, 1, 1, PadRows({{0x40}}), 0, {}, 12));
  Write("bmp", "rle8.bmp", Bmp(5, 2, 8, {2, 1, 0, 3, 0, 2, 3, 0, 0, 0, 0, 2, 2, 0, 1, 0, 0, 1}, 1));
  Write("bmp", "rle4.bmp", Bmp(7, 1, 4, {4, 0x12, 0, 3, 0x30, 0x10, 0, 1}, 2));
  // Rows coded to their padded width, runs reaching into the padding.
  Write("bmp", "rle8-padded-rows.bmp", Bmp(5, 3, 8, {8, 0, 0, 0, 4, 0, 1, 1, 3, 0, 0, 0, 4, 2, 4, 3, 0, 1}, 1));

  Write("jpeg", "baseline.jpg", MakeJpeg(16, 16, JpegKind::Baseline, 50));
  Write("jpeg", "progressive.jpg", MakeJpeg(24, 16, JpegKind::Progressive, 50));
  Write("jpeg", "arithmetic.jpg", MakeJpeg(16, 8, JpegKind::Arithmetic, 50));
  Write("jpeg", "grey.jpg", MakeJpeg(8, 8, JpegKind::Grey, 50));
  Write("jpeg", "cmyk.jpg", MakeJpeg(8, 8, JpegKind::Cmyk, 50));
  Write("jpeg", "ycck.jpg", MakeJpeg(8, 8, JpegKind::Ycck, 50));
  Write("jpeg", "successive-approximation.jpg",
        MakeProgressiveGreyJpeg(16, 16, {{0, 0, 0, 1}, {1, 5, 0, 2}, {6, 63, 0, 2}, {1, 63, 2, 1},
                                         {0, 0, 1, 0}, {1, 63, 1, 0}}));

  Write("png", "grey1-interlaced.png", Png(9, 9, PNG_COLOR_TYPE_GRAY, 1, true));
  Write("png", "palette4-trns.png", Png(5, 4, PNG_COLOR_TYPE_PALETTE, 4, false));
  Write("png", "rgba16.png", Png(3, 3, PNG_COLOR_TYPE_RGB_ALPHA, 16, false));
  Write("png", "grey-alpha8-interlaced.png", Png(7, 5, PNG_COLOR_TYPE_GRAY_ALPHA, 8, true));
  Write("png", "rgb8.png", Png(4, 4, PNG_COLOR_TYPE_RGB, 8, false));

  const Bytes dib8 = MakeIconDib(2, 2, 8, {{255, 0, 0, 255}, {0, 0, 255, 255}}, {{1, 0}, {0, 1}}, {{0x80}, {0}});
  const Bytes dib32 = MakeIconDib(2, 1, 32, {}, {{0, 0, 255, 255, 255, 0, 0, 128}}, {{0}});
  Write("ico", "dib8.ico", MakeIcon({{2, 2, 8, dib8}}));
  Write("ico", "two-sizes.ico", MakeIcon({{2, 2, 8, dib8}, {2, 1, 32, dib32}}));
  Write("ico", "png.ico", MakeIcon({{3, 3, 32, Png(3, 3, PNG_COLOR_TYPE_RGB_ALPHA, 8, false)}}));
  Write("ico", "cursor.cur", MakeIcon({{2, 2, 8, dib8}}, true));
  Write("ico", "directory-disagrees.ico", MakeIcon({{16, 16, 8, dib8}}));

  GifLayout gif;
  gif.screenWidth = gif.width = 4;
  gif.screenHeight = gif.height = 3;
  gif.globalColours = kFour;
  gif.lzw = LiteralLzw({0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 1, 1}, 2);
  Write("gif", "global.gif", MakeGif(gif));
  GifLayout local = gif;
  local.interlaced = true;
  local.transparentIndex = 1;
  local.localColours = {{9, 9, 9, 255}, {1, 1, 1, 255}};
  local.left = 1;
  local.screenWidth = 6;
  local.lzw = LiteralLzw({0, 1, 1, 0, 0, 0, 1, 1, 1, 0, 1, 0}, 2, 5);
  Write("gif", "interlaced-local-transparent.gif", MakeGif(local));
  GifLayout kwkwk = gif;
  kwkwk.width = kwkwk.screenWidth = 3;
  kwkwk.height = kwkwk.screenHeight = 1;
  CodeWriter codes;
  for (unsigned c : {4u, 0u, 6u, 5u}) codes.Add(c, 3);
  kwkwk.lzw = codes.Finish();
  Write("gif", "kwkwk.gif", MakeGif(kwkwk));
  GifLayout noTable = gif;
  noTable.globalColours.clear();
  noTable.transparentIndex = 2;
  Write("gif", "no-colour-table.gif", MakeGif(noTable));
  GifLayout shortTable = gif;
  shortTable.globalColours.resize(2);
  Write("gif", "index-past-table.gif", MakeGif(shortTable));

  PcxLayout pcx;
  pcx.width = 3;
  pcx.height = 2;
  pcx.lines = {{0, 1, 2, 0}, {3, 3, 200, 0}};
  pcx.palette = kFour;
  Write("pcx", "8bit.pcx", MakePcx(pcx));
  PcxLayout rgb;
  rgb.width = 2;
  rgb.height = 2;
  rgb.planes = 3;
  rgb.lines = {{10, 20, 30, 40, 50, 60}, {0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1}};
  Write("pcx", "24bit.pcx", MakePcx(rgb));
  PcxLayout mono;
  mono.version = 3;
  mono.bpp = 1;
  mono.width = 10;
  mono.height = 2;
  mono.lines = {{0xA0, 0x40}, {0xFF, 0xFF}};
  Write("pcx", "1bit.pcx", MakePcx(mono));
  return 0;
}
