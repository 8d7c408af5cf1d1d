// JPEG and PNG, decoded through libjpeg and libpng, from pictures the libraries write here.
#include "FixtureWriters.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

// ---- JPEG ----

TEST(JpegDecoder, EveryKindDecodesToTheGradient) {
  struct Kind {
    const char* name;
    JpegKind kind;
    bool grey;
  };
  const Kind kinds[] = {{"baseline", JpegKind::Baseline, false}, {"progressive", JpegKind::Progressive, false},
                        {"arithmetic", JpegKind::Arithmetic, false}, {"grey", JpegKind::Grey, true},
                        {"CMYK", JpegKind::Cmyk, false}, {"YCCK", JpegKind::Ycck, false}};
  const uint32_t w = 33, h = 17;
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.name);
    const imaging::DecodedPicture picture = DecodeBoth(MakeJpeg(w, h, k.kind));
    ASSERT_EQ(picture.status, DecodeStatus::Ok);
    ASSERT_EQ(picture.width, w);
    ASSERT_EQ(picture.height, h);
    for (uint32_t y : {0u, 8u, 16u}) {
      for (uint32_t x : {0u, 16u, 32u}) {
        const Rgba p = PixelAt(picture, x, y);
        const int r = static_cast<int>(x * 255 / (w - 1)), g = static_cast<int>(y * 255 / (h - 1));
        // Lossy at quality 95: a few levels, more where chroma is subsampled.
        EXPECT_LE(std::abs(p.r - r), 12) << x << "," << y;
        EXPECT_LE(std::abs(p.g - (k.grey ? r : g)), 12) << x << "," << y;
        EXPECT_LE(std::abs(p.b - (k.grey ? r : 128)), 12) << x << "," << y;
        EXPECT_EQ(p.a, 255);
      }
    }
  }
}

TEST(JpegDecoder, DamagedEntropyDataIsRepairedButBrokenHeadersAreNot) {
  const Bytes good = MakeJpeg(64, 64, JpegKind::Baseline);
  Bytes damaged = good;
  for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 40; ++i) damaged[i] = 0x5A;
  EXPECT_EQ(DecodeBoth(damaged).status, DecodeStatus::Ok);

  // SOF0's height and width follow its length and precision.
  size_t sof = 2;
  while (sof + 1 < good.size() && !(good[sof] == 0xFF && good[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, good.size());
  Bytes zeroWidth = good;
  zeroWidth[sof + 7] = 0;
  zeroWidth[sof + 8] = 0;
  EXPECT_EQ(DecodeBoth(zeroWidth).status, DecodeStatus::Corrupt);
  Bytes twelveBits = good;
  twelveBits[sof + 4] = 12;
  EXPECT_EQ(DecodeBoth(twelveBits).status, DecodeStatus::Unsupported);
  Bytes noMarkers = {0xFF, 0xD8, 0, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_NE(DecodeBoth(noMarkers).status, DecodeStatus::Ok);
}

TEST(JpegDecoder, SideLimitAppliesToTheCheckToo) {
  const Bytes jpeg = MakeJpeg(64, 16, JpegKind::Progressive);
  imaging::DecodeLimits narrow;
  narrow.maxSide = 32;
  EXPECT_EQ(imaging::CheckPictureDecodes(jpeg.data(), jpeg.size(), narrow), DecodeStatus::TooLarge);
  imaging::DecodeLimits fewPixels;
  fewPixels.maxPixels = 64 * 16 - 1;
  EXPECT_EQ(imaging::DecodePicture(jpeg.data(), jpeg.size(), fewPixels).status, DecodeStatus::TooLarge);
  EXPECT_EQ(imaging::CheckPictureDecodes(jpeg.data(), jpeg.size(), fewPixels), DecodeStatus::Ok);
}

// DC in one scan, then every AC coefficient in one more.
const std::vector<JpegScan> kTwoScans = {{0, 0, 0, 0}, {1, 63, 0, 0}};

TEST(JpegDecoder, InconsistentProgressionIsCorrupt) {
  const struct {
    const char* name;
    std::vector<JpegScan> scans;
    std::vector<size_t> order;
  } cases[] = {
      {"AC before DC", kTwoScans, {1, 0}},
      {"refinement before the first AC scan", {{0, 0, 0, 0}, {1, 63, 0, 1}, {1, 63, 1, 0}}, {0, 2, 1}},
      {"DC refinement first", {{0, 0, 0, 1}, {1, 63, 0, 0}, {0, 0, 1, 0}}, {2, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(DecodeBoth(MakeProgressiveGreyJpeg(32, 24, c.scans)).status, DecodeStatus::Ok);
    EXPECT_EQ(DecodeStatusName(DecodeBoth(MakeProgressiveGreyJpeg(32, 24, c.scans, c.order)).status),
              std::string("Corrupt"));
  }
}

// The AC scan of a small picture ahead of its DC scan, claiming 30000 x 30000: the check would
// otherwise fill 1.7 GB of coefficients for seconds and accept it.
TEST(JpegDecoder, InconsistentProgressionFailsFastAtAnySize) {
  Bytes jpeg = MakeProgressiveGreyJpeg(64, 64, kTwoScans, {1, 0});
  SetJpegSize(jpeg, 30000, 30000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(imaging::CheckPictureDecodes(jpeg.data(), jpeg.size()), DecodeStatus::Corrupt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A 64 x 48 grey picture is 8 x 6 blocks, each decoded once per scan.
TEST(JpegDecoder, WorkIsBoundByScansTimesBlocks) {
  std::vector<JpegScan> scans = {{0, 0, 0, 10}, {1, 63, 0, 10}};
  for (int al = 10; al > 0; --al) {
    scans.push_back({0, 0, al, al - 1});
    scans.push_back({1, 63, al, al - 1});
  }
  const Bytes jpeg = MakeProgressiveGreyJpeg(64, 48, scans);
  const uint64_t work = 8 * 6 * scans.size();
  imaging::DecodeLimits limits;
  limits.maxScanBlocks = work;
  EXPECT_EQ(DecodeBoth(jpeg, limits).status, DecodeStatus::Ok);
  limits.maxScanBlocks = work - 1;
  EXPECT_EQ(DecodeBoth(jpeg, limits).status, DecodeStatus::TooLarge);
  EXPECT_EQ(imaging::CheckPictureDecodes(jpeg.data(), jpeg.size(), limits), DecodeStatus::TooLarge);
  // A baseline picture has one scan.
  const Bytes baseline = MakeJpeg(64, 48, JpegKind::Grey);
  limits.maxScanBlocks = 8 * 6;
  EXPECT_EQ(DecodeBoth(baseline, limits).status, DecodeStatus::Ok);
}

// ---- PNG ----

int Channels(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

uint8_t To8(uint16_t v, int depth) {
  if (depth == 16) return static_cast<uint8_t>((v * 255u + 32895u) >> 16);
  return static_cast<uint8_t>(v * 255u / ((1u << depth) - 1));
}

// Expected colour of a sample set, worked out here rather than by libpng.
Rgba Expected(const PngLayout& s, size_t pixel) {
  const int n = Channels(s.colourType);
  const uint16_t* v = &s.samples[pixel * n];
  const int d = s.bitDepth;
  switch (s.colourType) {
    case PNG_COLOR_TYPE_PALETTE: {
      const Rgba c = s.palette[v[0]];
      return {c.r, c.g, c.b, v[0] < s.paletteAlpha.size() ? s.paletteAlpha[v[0]] : uint8_t{255}};
    }
    case PNG_COLOR_TYPE_GRAY:
      return {To8(v[0], d), To8(v[0], d), To8(v[0], d),
              static_cast<uint8_t>(s.transparentGrey == v[0] ? 0 : 255)};
    case PNG_COLOR_TYPE_GRAY_ALPHA: return {To8(v[0], d), To8(v[0], d), To8(v[0], d), To8(v[1], d)};
    case PNG_COLOR_TYPE_RGB: return {To8(v[0], d), To8(v[1], d), To8(v[2], d), 255};
    default: return {To8(v[0], d), To8(v[1], d), To8(v[2], d), To8(v[3], d)};
  }
}

TEST(PngDecoder, EveryColourTypeDepthAndInterlaceDecodesExactly) {
  const struct {
    int type;
    std::vector<int> depths;
  } types[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_RGB, {8, 16}},
               {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}}, {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
               {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
  for (const auto& t : types) {
    for (int depth : t.depths) {
      for (bool interlaced : {false, true}) {
        for (bool transparency : {false, true}) {
          PngLayout s;
          s.width = 13;  // odd sizes leave some Adam7 passes short
          s.height = 11;
          s.colourType = t.type;
          s.bitDepth = depth;
          s.interlaced = interlaced;
          const uint32_t top = depth == 16 ? 65535u : (1u << depth) - 1;
          const int n = Channels(t.type);
          for (size_t i = 0; i < size_t{s.width} * s.height * n; ++i)
            s.samples.push_back(static_cast<uint16_t>((i * 40503u + 977u) % (top + 1)));
          if (t.type == PNG_COLOR_TYPE_PALETTE) {
            for (uint32_t i = 0; i <= top; ++i)
              s.palette.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 255});
            if (transparency) s.paletteAlpha = {0, 77};
          } else if (t.type == PNG_COLOR_TYPE_GRAY && transparency) {
            s.transparentGrey = static_cast<int>(s.samples[5]);
          } else if (transparency) {
            continue;
          }
          SCOPED_TRACE(testing::Message() << "type " << t.type << " depth " << depth
                                          << (interlaced ? " interlaced" : "") << (transparency ? " tRNS" : ""));
          const imaging::DecodedPicture picture = DecodeBoth(MakePng(s));
          ASSERT_EQ(picture.status, DecodeStatus::Ok);
          ASSERT_EQ(picture.width, s.width);
          ASSERT_EQ(picture.height, s.height);
          for (uint32_t y = 0; y < s.height; ++y) {
            for (uint32_t x = 0; x < s.width; ++x) {
              ASSERT_EQ(ToString(PixelAt(picture, x, y)), ToString(Expected(s, size_t{y} * s.width + x)))
                  << "at " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

Bytes PalettePng(bool interlaced) {
  PngLayout s;
  s.width = 9;
  s.height = 9;
  s.colourType = PNG_COLOR_TYPE_PALETTE;
  s.bitDepth = 4;
  s.interlaced = interlaced;
  s.palette = {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}};
  s.samples.assign(81, 1);
  s.samples[80] = 9;  // past the three colours
  return MakePng(s);
}

TEST(PngDecoder, IndexPastThePaletteIsCorrupt) {
  for (bool interlaced : {false, true}) {
    EXPECT_EQ(DecodeBoth(PalettePng(interlaced)).status, DecodeStatus::Corrupt) << interlaced;
  }
}

// Bytes of the first chunk of the given type, from its length field.
size_t FindChunk(const Bytes& png, const char* type) {
  for (size_t at = 8; at + 8 <= png.size();) {
    const size_t length = size_t{png[at]} << 24 | size_t{png[at + 1]} << 16 | size_t{png[at + 2]} << 8 | png[at + 3];
    if (std::memcmp(&png[at + 4], type, 4) == 0) return at;
    at += 12 + length;
  }
  return png.size();
}

TEST(PngDecoder, DamageToCriticalChunksIsCorruptAndToOthersIsIgnored) {
  PngLayout s;
  s.width = 16;
  s.height = 16;
  s.colourType = PNG_COLOR_TYPE_GRAY;
  s.samples.assign(256, 99);
  const Bytes good = MakePng(s);
  const size_t idat = FindChunk(good, "IDAT");
  ASSERT_LT(idat, good.size());

  Bytes badCrc = good;
  badCrc[idat + 8] ^= 0x01;
  EXPECT_EQ(DecodeBoth(badCrc).status, DecodeStatus::Corrupt);

  // An ancillary chunk with a wrong CRC in front of the data.
  Bytes withText(good.begin(), good.begin() + static_cast<long>(idat));
  const uint8_t text[] = {0, 0, 0, 4, 't', 'E', 'X', 't', 'a', 0, 'b', 'c', 1, 2, 3, 4};
  withText.insert(withText.end(), std::begin(text), std::end(text));
  withText.insert(withText.end(), good.begin() + static_cast<long>(idat), good.end());
  EXPECT_EQ(DecodeBoth(withText).status, DecodeStatus::Ok);

  Bytes badHeader = good;
  badHeader[8 + 8 + 8] = 3;  // bit depth 3
  EXPECT_EQ(DecodeBoth(badHeader).status, DecodeStatus::Corrupt);
}

}  // namespace
