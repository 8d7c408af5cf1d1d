#include "FixtureWriters.h"

#include <gtest/gtest.h>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};
const Rgba kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 255}, kClear{0, 0, 0, 0};
const std::vector<Rgba> kFour{kRed, kGreen, kBlue, kWhite};

BmpLayout Layout(int32_t w, int32_t h, uint16_t bpp, Bytes pixels, std::vector<Rgba> palette = {}) {
  BmpLayout s;
  s.width = w;
  s.height = h;
  s.bpp = bpp;
  s.pixels = std::move(pixels);
  s.palette = std::move(palette);
  return s;
}

BmpLayout Rle(uint32_t compression, int32_t w, int32_t h, Bytes stream) {
  BmpLayout s = Layout(w, h, compression == 1 ? 8 : 4, std::move(stream), kFour);
  s.compression = compression;
  return s;
}

BmpLayout WithMasks(BmpLayout s, uint32_t headerSize, std::vector<uint32_t> masks) {
  s.compression = 3;
  s.headerSize = headerSize;
  s.masks = std::move(masks);
  return s;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  auto add = [&](std::string name, const BmpLayout& s, DecodeStatus status, uint32_t w = 0,
                 uint32_t h = 0, std::vector<Probe> probes = {}) {
    cases.push_back(Case{std::move(name), MakeBmp(s), status, w, h, std::move(probes)});
  };
  // Rows are stored bottom row first unless the height is negative.
  add("1 bit", Layout(3, 2, 1, PadRows({{0b10100000}, {0b01000000}}), {kBlack, kWhite}),
      DecodeStatus::Ok, 3, 2, {{0, 0, kBlack}, {1, 0, kWhite}, {0, 1, kWhite}, {1, 1, kBlack}});
  add("4 bit", Layout(3, 1, 4, PadRows({{0x12, 0x30}}), kFour), DecodeStatus::Ok, 3, 1,
      {{0, 0, kGreen}, {1, 0, kBlue}, {2, 0, kWhite}});
  add("8 bit top-down", Layout(2, -2, 8, PadRows({{0, 1}, {2, 3}}), kFour), DecodeStatus::Ok, 2, 2,
      {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kBlue}, {1, 1, kWhite}});
  add("16 bit 5-5-5", Layout(2, 1, 16, PadRows({{0x00, 0x7C, 0xE0, 0x03}})), DecodeStatus::Ok, 2, 1,
      {{0, 0, kRed}, {1, 0, kGreen}});
  add("16 bit 5-6-5 bitfields",
      WithMasks(Layout(2, 1, 16, PadRows({{0x00, 0xF8, 0x1F, 0x00}})), 40, {0xF800, 0x07E0, 0x001F}),
      DecodeStatus::Ok, 2, 1, {{0, 0, kRed}, {1, 0, kBlue}});
  add("24 bit", Layout(2, 1, 24, PadRows({{1, 2, 3, 4, 5, 6}})), DecodeStatus::Ok, 2, 1,
      {{0, 0, {3, 2, 1, 255}}, {1, 0, {6, 5, 4, 255}}});
  add("32 bit ignores the unused byte", Layout(1, 1, 32, {10, 20, 30, 0}), DecodeStatus::Ok, 1, 1,
      {{0, 0, {30, 20, 10, 255}}});
  add("32 bit alpha bitfields in a v4 header",
      WithMasks(Layout(1, 1, 32, {10, 20, 30, 128}), 108, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
      DecodeStatus::Ok, 1, 1, {{0, 0, {30, 20, 10, 128}}});
  BmpLayout core = Layout(2, 1, 1, PadRows({{0b01000000}}), {kRed, kBlue});
  core.headerSize = 12;
  add("OS/2 core header", core, DecodeStatus::Ok, 2, 1, {{0, 0, kRed}, {1, 0, kBlue}});
  // Bottom row: a run of two greens, then three literal pixels; top row: a move right by two,
  // one red, end of bitmap. Skipped pixels stay transparent.
  add("RLE8 with literal and delta",
      Rle(1, 5, 2, {2, 1, 0, 3, 0, 2, 3, 0, 0, 0, 0, 2, 2, 0, 1, 0, 0, 1}), DecodeStatus::Ok, 5, 2,
      {{0, 1, kGreen}, {1, 1, kGreen}, {2, 1, kRed}, {3, 1, kBlue}, {4, 1, kWhite},
       {0, 0, kClear}, {2, 0, kRed}, {3, 0, kClear}});
  add("RLE4 alternating run and literal", Rle(2, 7, 1, {4, 0x12, 0, 3, 0x30, 0x10, 0, 1}),
      DecodeStatus::Ok, 7, 1,
      {{0, 0, kGreen}, {1, 0, kBlue}, {3, 0, kBlue}, {4, 0, kWhite}, {5, 0, kRed}, {6, 0, kGreen}});
  // Rows coded to their padded width, as some writers do: 5 pixels are stored as 8, so each
  // row's last run reaches 3 pixels into the padding, which is dropped.
  add("RLE8 runs into the row padding",
      Rle(1, 5, 3, {8, 0, 0, 0, 4, 0, 1, 1, 3, 0, 0, 0, 4, 2, 4, 3, 0, 1}), DecodeStatus::Ok, 5, 3,
      {{0, 2, kRed}, {4, 2, kRed}, {3, 1, kRed}, {4, 1, kGreen}, {3, 0, kBlue}, {4, 0, kWhite}});
  add("RLE8 literal into the row padding", Rle(1, 6, 1, {0, 8, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1}),
      DecodeStatus::Ok, 6, 1, {{0, 0, kRed}, {3, 0, kWhite}, {5, 0, kGreen}});
  add("RLE4 run into the row padding", Rle(2, 3, 1, {8, 0x12, 0, 1}), DecodeStatus::Ok, 3, 1,
      {{0, 0, kGreen}, {1, 0, kBlue}, {2, 0, kGreen}});
  add("RLE4 literal into the row padding", Rle(2, 3, 1, {0, 4, 0x12, 0x31, 0, 1}), DecodeStatus::Ok, 3, 1,
      {{0, 0, kGreen}, {1, 0, kBlue}, {2, 0, kWhite}});
  add("RLE8 move into the row padding, then end of line",
      Rle(1, 3, 2, {3, 1, 0, 2, 1, 0, 0, 0, 3, 2, 0, 1}), DecodeStatus::Ok, 3, 2,
      {{0, 1, kGreen}, {2, 1, kGreen}, {0, 0, kBlue}, {2, 0, kBlue}});

  // Damage.
  // A row of 4 pixels has no padding; one of 5 is padded to 8.
  add("RLE8 run longer than the row", Rle(1, 4, 1, {5, 1, 0, 1}), DecodeStatus::Corrupt);
  add("RLE8 run past the row padding", Rle(1, 5, 1, {9, 1, 0, 1}), DecodeStatus::Corrupt);
  add("RLE8 literal longer than the row", Rle(1, 4, 2, {2, 1, 0, 3, 1, 1, 1, 0, 0, 1}),
      DecodeStatus::Corrupt);
  add("RLE4 literal past the row padding", Rle(2, 3, 1, {0, 9, 0x12, 0x31, 0x23, 0x12, 0x30, 0, 0, 1}),
      DecodeStatus::Corrupt);
  add("RLE8 move past the row padding", Rle(1, 5, 2, {0, 2, 9, 0, 0, 1}), DecodeStatus::Corrupt);
  add("RLE4 run past the last row", Rle(2, 2, 1, {0, 0, 2, 0x11, 0, 1}), DecodeStatus::Corrupt);
  add("RLE delta past the picture", Rle(1, 2, 1, {0, 2, 0, 2, 1, 1}), DecodeStatus::Corrupt);
  add("RLE stream ends before the picture", Rle(1, 2, 2, {2, 1, 0, 0}), DecodeStatus::Truncated);
  add("RLE index past the palette", Rle(1, 2, 1, {2, 7, 0, 1}), DecodeStatus::Corrupt);
  BmpLayout topDownRle = Rle(1, 2, -1, {2, 1, 0, 1});
  add("RLE with top-down rows", topDownRle, DecodeStatus::Corrupt);
  BmpLayout shortPalette = Layout(2, 1, 8, PadRows({{0, 5}}), {kRed, kGreen});
  shortPalette.colorsUsed = 2;
  add("index past the palette", shortPalette, DecodeStatus::Corrupt);
  BmpLayout bigPalette = Layout(1, 1, 8, PadRows({{0}}), std::vector<Rgba>(257, kRed));
  bigPalette.colorsUsed = 257;
  add("palette of more than 256 colours", bigPalette, DecodeStatus::Corrupt);
  add("palette beyond the file", Layout(1, 1, 8, {}, {kRed}), DecodeStatus::Truncated);
  add("zero width", Layout(0, 1, 24, PadRows({{}})), DecodeStatus::Corrupt);
  add("zero height", Layout(1, 0, 24, {}), DecodeStatus::Corrupt);
  add("negative width", Layout(-1, 1, 24, PadRows({{1, 2, 3}})), DecodeStatus::Corrupt);
  add("most negative height", Layout(1, INT32_MIN, 24, PadRows({{1, 2, 3}})), DecodeStatus::Truncated);
  add("rows missing", Layout(2, 2, 24, PadRows({{1, 2, 3, 4, 5, 6}})), DecodeStatus::Truncated);
  add("depth 7", Layout(1, 1, 7, {0, 0, 0, 0}), DecodeStatus::Corrupt);
  add("RLE8 declared with 4 bits", [] { BmpLayout s = Rle(1, 1, 1, {1, 0, 0, 1}); s.bpp = 4; return s; }(),
      DecodeStatus::Corrupt);
  add("embedded JPEG", [] { BmpLayout s = Layout(1, 1, 0, {0xFF, 0xD8}); s.compression = 4; return s; }(),
      DecodeStatus::Unsupported);
  add("scattered bitfield mask", WithMasks(Layout(1, 1, 16, {0, 0, 0, 0}), 40, {0x0F0F, 0x00F0, 0xF000}),
      DecodeStatus::Corrupt);
  add("mask wider than the pixel", WithMasks(Layout(1, 1, 16, {0, 0, 0, 0}), 40, {0x1F0000, 0x7E0, 0x1F}),
      DecodeStatus::Corrupt);
  add("unknown header size", [] { BmpLayout s = Layout(1, 1, 24, {1, 2, 3, 0}); s.headerSize = 20; return s; }(),
      DecodeStatus::Unsupported);
  // width * 4 * 8 bits = 2^32 + 32: a 32-bit stride would be 4 bytes and the data would seem
  // to be there.
  add("row stride wrapping 32 bits", Layout(0x40000001, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}),
      DecodeStatus::Truncated);
  return cases;
}

TEST(BmpDecoder, DecodesEachVariantAndRefusesEachDamage) {
  for (const Case& c : Cases()) ExpectCase(c);
}

TEST(BmpDecoder, SizesAreComputedInSixtyFourBits) {
  // 65536 x 65536 x 4 bytes wraps to 0 in 32 bits. The RLE stream ends at once, so the check
  // (which holds rows only) passes once its pixel cap is lifted, while the full decode refuses
  // to allocate.
  const Bytes wrapping = MakeBmp(Rle(1, 65536, 65536, {0, 1}));
  imaging::DecodeLimits uncapped;
  uncapped.maxCheckedPixels = UINT64_MAX;
  EXPECT_EQ(imaging::DecodePicture(wrapping.data(), wrapping.size(), uncapped).status, DecodeStatus::TooLarge);
  EXPECT_EQ(imaging::CheckPictureDecodes(wrapping.data(), wrapping.size(), uncapped), DecodeStatus::Ok);

  // With every limit lifted, a picture too large for any vector is still refused, not thrown.
  imaging::DecodeLimits lifted;
  lifted.maxSide = UINT32_MAX;
  lifted.maxPixels = UINT64_MAX;
  const Bytes widest = MakeBmp(Rle(1, INT32_MAX, INT32_MAX, {0, 1}));
  EXPECT_EQ(imaging::DecodePicture(widest.data(), widest.size(), lifted).status, DecodeStatus::TooLarge);

  // With the side limit lifted the stride is still computed in 64 bits: the data is missing.
  const Bytes stride = MakeBmp(Layout(0x40000001, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(imaging::DecodePicture(stride.data(), stride.size(), lifted).status, DecodeStatus::Truncated);
  EXPECT_EQ(imaging::CheckPictureDecodes(stride.data(), stride.size(), lifted), DecodeStatus::Truncated);
}

TEST(BmpDecoder, OffsetBeyondTheFileIsTruncation) {
  Bytes file = MakeBmp(Layout(1, 1, 24, {1, 2, 3, 0}));
  Set32(file, 10, static_cast<uint32_t>(file.size() + 10));
  EXPECT_EQ(DecodeBoth(file).status, DecodeStatus::Truncated);
  Set32(file, 10, 20);  // inside the header
  EXPECT_EQ(DecodeBoth(file).status, DecodeStatus::Corrupt);
}

}  // namespace
