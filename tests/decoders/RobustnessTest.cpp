// Properties every format shares: a file cut short is Truncated, the check's memory does not
// grow with the picture, and a full decode's memory grows with the data rather than the claim.
#include "FixtureWriters.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

struct Whole {
  const char* name;
  Bytes file;
  size_t optionalTail;  // bytes at the end a decoder may do without
};

std::vector<Whole> WholeFiles() {
  PngLayout png;
  png.width = 40;
  png.height = 30;
  png.colourType = PNG_COLOR_TYPE_RGB;
  png.interlaced = true;
  for (size_t i = 0; i < size_t{40} * 30 * 3; ++i) png.samples.push_back(static_cast<uint16_t>(i * 31 % 256));

  BmpLayout bmp;
  bmp.width = 5;
  bmp.height = 3;
  bmp.bpp = 24;
  bmp.pixels = PadRows({Bytes(15, 1), Bytes(15, 2), Bytes(15, 3)});
  BmpLayout rle;
  rle.width = 4;
  rle.height = 2;
  rle.bpp = 8;
  rle.compression = 1;
  rle.palette = {{1, 2, 3, 255}};
  rle.pixels = {4, 0, 0, 0, 4, 0, 0, 1};

  GifLayout gif;
  gif.screenWidth = gif.width = 20;
  gif.screenHeight = gif.height = 10;
  gif.globalColours = {{1, 1, 1, 255}, {2, 2, 2, 255}};
  std::vector<uint8_t> indices(200);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 3 == 0);
  gif.lzw = LiteralLzw(indices, 2);

  PcxLayout pcx;
  pcx.width = 6;
  pcx.height = 4;
  pcx.lines.assign(4, Bytes{1, 1, 1, 2, 0xC7, 3});
  pcx.palette.assign(256, {9, 9, 9, 255});

  IconEntry icon;
  icon.width = icon.height = 2;
  icon.bpp = 32;
  icon.payload = MakeIconDib(2, 2, 32, {}, {Bytes(8, 7), Bytes(8, 9)}, {{0}, {0}});

  return {
      {"baseline JPEG", MakeJpeg(48, 40, JpegKind::Baseline), 0},
      {"progressive JPEG", MakeJpeg(48, 40, JpegKind::Progressive), 0},
      {"interlaced PNG", MakePng(png), 0},
      {"24-bit BMP", MakeBmp(bmp), 1},       // the last row's padding
      {"RLE8 BMP", MakeBmp(rle), 0},
      {"GIF", MakeGif(gif), 1},              // the trailer
      {"8-bit PCX", MakePcx(pcx), 0},
      {"icon", MakeIcon({icon}), 0},
  };
}

TEST(Robustness, EveryCutOfAWholeFileIsTruncated) {
  for (const Whole& whole : WholeFiles()) {
    SCOPED_TRACE(whole.name);
    ASSERT_EQ(DecodeBoth(whole.file).status, DecodeStatus::Ok);
    const size_t step = whole.file.size() / 97 + 1;
    for (size_t cut = 8; cut + whole.optionalTail < whole.file.size(); cut += step) {
      const Bytes part(whole.file.begin(), whole.file.begin() + static_cast<long>(cut));
      EXPECT_EQ(DecodeStatusName(DecodeBoth(part).status), std::string("Truncated")) << "cut at " << cut;
    }
  }
}

// A 30000 x 30000 PNG (900 megapixels) is beyond the full decode's cap but must be checked,
// holding a few rows.
TEST(Robustness, HugePngIsCheckedRowByRow) {
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced ? "interlaced" : "progressive rows");
    const Bytes file = MakeBlankPng(30000, 30000, interlaced);
    EXPECT_EQ(imaging::DecodePicture(file.data(), file.size()).status, DecodeStatus::TooLarge);
    EXPECT_EQ(imaging::CheckPictureDecodes(file.data(), file.size()), DecodeStatus::Ok);
    Bytes cut(file.begin(), file.end() - 20);
    EXPECT_EQ(imaging::CheckPictureDecodes(cut.data(), cut.size()), DecodeStatus::Truncated);
  }
}

TEST(Robustness, CheckRefusesPicturesPastItsPixelCapBeforeReadingThem) {
  // A whole, valid picture just over 2^30 pixels.
  const Bytes over = MakeBlankPng(32769, 32768, false);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(imaging::CheckPictureDecodes(over.data(), over.size()), DecodeStatus::TooLarge);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  // The cap is exact for every format: a picture of as many pixels passes, one more fails.
  for (const Whole& whole : WholeFiles()) {
    SCOPED_TRACE(whole.name);
    const imaging::DecodedPicture picture = DecodeBoth(whole.file);
    ASSERT_EQ(picture.status, DecodeStatus::Ok);
    imaging::DecodeLimits limits;
    limits.maxCheckedPixels = uint64_t{picture.width} * picture.height;
    EXPECT_EQ(imaging::CheckPictureDecodes(whole.file.data(), whole.file.size(), limits), DecodeStatus::Ok);
    limits.maxCheckedPixels -= 1;
    EXPECT_EQ(imaging::CheckPictureDecodes(whole.file.data(), whole.file.size(), limits), DecodeStatus::TooLarge);
  }
}

// Tiny files whose headers claim 16384 x 16384 pixels (1 GiB decoded) and whose data then ends
// or goes wrong after a few pixels.
std::vector<Whole> HugeClaims() {
  constexpr uint32_t kSide = 16384;
  GifLayout gif;
  gif.screenWidth = gif.width = kSide;
  gif.screenHeight = gif.height = kSide;
  gif.globalColours = {{1, 2, 3, 255}, {4, 5, 6, 255}};
  gif.lzw = LiteralLzw(std::vector<uint8_t>(40, 1), 2);

  PngLayout png;
  png.width = png.height = 16;
  png.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  png.samples.assign(16 * 16 * 4, 7);
  Bytes pngFile = MakePng(png);
  SetPngSize(pngFile, kSide, kSide);

  Bytes jpeg = MakeJpeg(16, 16, JpegKind::Baseline);
  SetJpegSize(jpeg, kSide, kSide);
  jpeg.resize(JpegScanDataStart(jpeg) + 8);

  BmpLayout rle;
  rle.width = rle.height = kSide;
  rle.bpp = 8;
  rle.compression = 1;
  rle.palette = {{1, 2, 3, 255}};
  rle.pixels = {200, 0, 200, 0};

  return {{"GIF", MakeGif(gif), 0}, {"PNG", pngFile, 0}, {"baseline JPEG", jpeg, 0}, {"RLE8 BMP", MakeBmp(rle), 0}};
}

#ifndef _WIN32
// AddressSanitizer writes the shadow of every allocation, an eighth of its size, as soon as it
// is made, so there a reservation of the claimed size shows even though no pixel is touched.
constexpr long kShadowKiBPerGiB =
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    1024 * 1024 / 8;
#else
    0;
#endif
#elif defined(__SANITIZE_ADDRESS__)
    1024 * 1024 / 8;
#else
    0;
#endif

// Peak resident memory, in KiB, of a child process that runs f and exits.
template <typename F>
long ChildPeakKiB(F f) {
  const pid_t child = fork();
  if (child == 0) {
    f();
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return -1;
  return usage.ru_maxrss;
}
#endif

TEST(Robustness, TinyFileClaimingAHugePictureFailsWithoutTakingItsSize) {
  for (const Whole& claim : HugeClaims()) {
    SCOPED_TRACE(claim.name);
    const DecodeStatus status = DecodeBoth(claim.file).status;
    EXPECT_TRUE(status == DecodeStatus::Truncated || status == DecodeStatus::Corrupt) << DecodeStatusName(status);
#ifndef _WIN32
    // A child inherits its parent's pages, so its peak is compared with that of an idle child.
    const long idle = ChildPeakKiB([] {});
    const long decoding = ChildPeakKiB([&] { imaging::DecodePicture(claim.file.data(), claim.file.size()); });
    ASSERT_GT(idle, 0);
    ASSERT_GT(decoding, 0);
    EXPECT_LT(decoding - idle, 64 * 1024 + kShadowKiBPerGiB) << "KiB more than an idle child";
#endif
  }
}

}  // namespace
