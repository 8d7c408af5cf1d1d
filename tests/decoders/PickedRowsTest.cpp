// Decoding picked rows: every kept row is the full decode's row byte for byte, in every format and
// layout (bottom-up, interlaced, run-length, frames smaller than their screen), and the picks and
// limits are refused where a full decode would refuse.
#include "FixtureWriters.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <functional>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

struct Picture {
  const char* name;
  Bytes file;
};

std::vector<Picture> Pictures() {
  std::vector<Picture> pictures;
  for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Arithmetic, JpegKind::Grey,
                        JpegKind::Cmyk, JpegKind::Ycck}) {
    pictures.push_back({"JPEG", MakeJpeg(77, 45, kind, 80)});
  }

  PngLayout png;
  png.width = 23;
  png.height = 19;
  png.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (uint32_t i = 0; i < png.width * png.height; ++i)
    png.samples.insert(png.samples.end(), {uint16_t(i * 7 % 256), uint16_t(i % 256), 40, uint16_t(i * 3 % 256)});
  pictures.push_back({"PNG", MakePng(png)});
  png.interlaced = true;
  pictures.push_back({"interlaced PNG", MakePng(png)});

  BmpLayout bottomUp;
  bottomUp.width = 6;
  bottomUp.height = 5;
  std::vector<Bytes> rows;
  for (int y = 0; y < 5; ++y) rows.push_back(Bytes(18, static_cast<uint8_t>(y * 40 + 1)));
  bottomUp.pixels = PadRows(rows);
  pictures.push_back({"bottom-up BMP", MakeBmp(bottomUp)});
  BmpLayout topDown = bottomUp;
  topDown.height = -5;
  pictures.push_back({"top-down BMP", MakeBmp(topDown)});
  // A delta escape leaves pixels unwritten: they must stay as a full decode leaves them.
  BmpLayout rle;
  rle.width = 5;
  rle.height = 3;
  rle.bpp = 8;
  rle.compression = 1;
  rle.palette = {{10, 20, 30, 255}, {200, 100, 50, 255}};
  rle.pixels = {2, 1, 0, 2, 2, 1, 1, 0, 0, 0, 3, 0, 0, 1};
  pictures.push_back({"RLE8 BMP with a delta", MakeBmp(rle)});

  GifLayout gif;
  gif.screenWidth = 12;
  gif.screenHeight = 9;
  gif.left = 2;
  gif.top = 3;
  gif.width = 7;
  gif.height = 5;
  gif.interlaced = true;
  gif.transparentIndex = 2;
  gif.globalColours = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 9, 9, 255}};
  std::vector<uint8_t> indices;
  for (int i = 0; i < 35; ++i) indices.push_back(static_cast<uint8_t>(i % 4));
  gif.lzw = LiteralLzw(indices, 2);
  pictures.push_back({"interlaced GIF frame inside its screen", MakeGif(gif)});

  const Bytes dib = MakeIconDib(2, 2, 8, {{255, 0, 0, 255}, {0, 0, 255, 255}}, {{1, 0}, {0, 1}}, {{0b10000000}, {0}});
  pictures.push_back({"icon with a mask", MakeIcon({{2, 2, 8, dib}})});

  PcxLayout pcx;
  pcx.width = 6;
  pcx.height = 4;
  pcx.lines.assign(4, Bytes{1, 1, 1, 2, 0xC7, 3});
  pcx.palette.assign(256, {9, 9, 9, 255});
  pcx.palette[1] = {200, 0, 0, 255};
  pictures.push_back({"PCX", MakePcx(pcx)});
  return pictures;
}

imaging::PickedRows Pick(const Bytes& file, const std::function<std::vector<uint32_t>(uint32_t)>& rowsOf,
                         const imaging::DecodeLimits& limits = {}) {
  return imaging::DecodePickedRows(
      file.data(), file.size(), [&rowsOf](uint32_t, uint32_t height) { return rowsOf(height); }, limits);
}

TEST(PickedRows, KeptRowsAreTheFullDecodesRows) {
  struct Choice {
    const char* name;
    std::function<std::vector<uint32_t>(uint32_t height)> rows;
  };
  const Choice choices[] = {
      {"every row",
       [](uint32_t h) {
         std::vector<uint32_t> r;
         for (uint32_t y = 0; y < h; ++y) r.push_back(y);
         return r;
       }},
      {"every third row",
       [](uint32_t h) {
         std::vector<uint32_t> r;
         for (uint32_t y = 1; y < h; y += 3) r.push_back(y);
         return r;
       }},
      {"the last row", [](uint32_t h) { return std::vector<uint32_t>{h - 1}; }},
      {"no row", [](uint32_t) { return std::vector<uint32_t>{}; }},
  };
  for (const Picture& picture : Pictures()) {
    const imaging::DecodedPicture full = imaging::DecodePicture(picture.file.data(), picture.file.size());
    ASSERT_EQ(full.status, DecodeStatus::Ok) << picture.name;
    const size_t stride = size_t{full.width} * 4;
    for (const Choice& choice : choices) {
      SCOPED_TRACE(testing::Message() << picture.name << ", " << choice.name);
      const imaging::PickedRows picked = Pick(picture.file, choice.rows);
      ASSERT_EQ(picked.status, DecodeStatus::Ok);
      EXPECT_EQ(picked.format, full.format);
      EXPECT_EQ(picked.width, full.width);
      EXPECT_EQ(picked.height, full.height);
      ASSERT_EQ(picked.rows, choice.rows(full.height));
      ASSERT_EQ(picked.bgra.size(), stride * picked.rows.size());
      for (size_t i = 0; i < picked.rows.size(); ++i) {
        EXPECT_EQ(std::memcmp(&picked.bgra[stride * i], &full.bgra[stride * picked.rows[i]], stride), 0)
            << "row " << picked.rows[i];
      }
    }
  }
}

TEST(PickedRows, RefusedWhereAFullDecodeIsAndForPicksOutOfOrder) {
  const Bytes jpeg = MakeJpeg(40, 30, JpegKind::Baseline);
  auto first = [](uint32_t) { return std::vector<uint32_t>{0}; };
  struct Case {
    const char* name;
    Bytes file;
    std::function<std::vector<uint32_t>(uint32_t)> rows;
    DecodeStatus status;
  };
  const Case cases[] = {
      {"not a picture", Bytes(100, 'x'), first, DecodeStatus::NotAPicture},
      {"cut short", Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2)), first,
       DecodeStatus::Truncated},
      {"rows out of order", jpeg, [](uint32_t) { return std::vector<uint32_t>{5, 2}; }, DecodeStatus::Corrupt},
      {"a row twice", jpeg, [](uint32_t) { return std::vector<uint32_t>{3, 3}; }, DecodeStatus::Corrupt},
      {"a row past the picture", jpeg, [](uint32_t h) { return std::vector<uint32_t>{h}; }, DecodeStatus::Corrupt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const imaging::PickedRows picked = Pick(c.file, c.rows);
    EXPECT_EQ(picked.status, c.status);
    EXPECT_TRUE(picked.bgra.empty());
    if (c.status != DecodeStatus::Corrupt) {
      EXPECT_EQ(imaging::DecodePicture(c.file.data(), c.file.size()).status, c.status);
    }
  }
  // The full decode's pixel cap applies though only one row is kept.
  imaging::DecodeLimits limits;
  limits.maxPixels = 40 * 30 - 1;
  EXPECT_EQ(imaging::DecodePicture(jpeg.data(), jpeg.size(), limits).status, DecodeStatus::TooLarge);
  EXPECT_EQ(Pick(jpeg, first, limits).status, DecodeStatus::TooLarge);
}

TEST(PickedRows, TheMemoryIsTheKeptRows) {
  // 40 MB as a full decode; two rows of it here.
  const Bytes blank = MakeBlankPng(5000, 2000, false);
  const imaging::PickedRows picked = Pick(blank, [](uint32_t) { return std::vector<uint32_t>{7, 1999}; });
  ASSERT_EQ(picked.status, DecodeStatus::Ok);
  EXPECT_EQ(picked.bgra.size(), size_t{5000} * 4 * 2);
}

}  // namespace
