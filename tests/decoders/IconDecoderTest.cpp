#include "FixtureWriters.h"

#include <gtest/gtest.h>
#include <png.h>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

const Rgba kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kClear{0, 0, 0, 0};

// 2 x 2, 8 bits: top row red, blue; bottom row blue, red; the AND mask hides the bottom left.
Bytes SmallDib(uint32_t colorsUsed = 0, std::vector<Rgba> palette = {kRed, kBlue}) {
  return MakeIconDib(2, 2, 8, palette, {{1, 0}, {0, 1}}, {{0b10000000}, {0}}, colorsUsed);
}

// 3 x 1, 32 bits with its own alpha.
Bytes AlphaDib() {
  return MakeIconDib(3, 1, 32, {}, {{0, 0, 255, 255, 255, 0, 0, 128, 0, 0, 0, 0}}, {{0}});
}

Bytes SmallPng(uint32_t w, uint32_t h) {
  PngLayout s;
  s.width = w;
  s.height = h;
  s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  s.samples.assign(size_t{w} * h * 4, 0);
  for (size_t i = 0; i < s.samples.size(); i += 4) {
    s.samples[i + 1] = 200;
    s.samples[i + 3] = 255;
  }
  return MakePng(s);
}

TEST(IconDecoder, DecodesTheLargestPictureAndRefusesDamage) {
  const Rgba kGreen200{0, 200, 0, 255};
  std::vector<Case> cases = {
      {"8-bit DIB with AND mask", MakeIcon({{2, 2, 8, SmallDib()}}), DecodeStatus::Ok, 2, 2,
       {{0, 0, kRed}, {1, 0, kBlue}, {0, 1, {0, 0, 255, 0}}, {1, 1, kRed}}},
      {"32-bit DIB keeps its alpha", MakeIcon({{3, 1, 32, AlphaDib()}}), DecodeStatus::Ok, 3, 1,
       {{0, 0, {255, 0, 0, 255}}, {1, 0, {0, 0, 255, 128}}, {2, 0, kClear}}},
      {"PNG inside", MakeIcon({{5, 4, 32, SmallPng(5, 4)}}), DecodeStatus::Ok, 5, 4,
       {{4, 3, kGreen200}}},
      {"largest of three", MakeIcon({{2, 2, 8, SmallDib()}, {5, 4, 32, SmallPng(5, 4)}, {3, 1, 32, AlphaDib()}}),
       DecodeStatus::Ok, 5, 4, {{0, 0, kGreen200}}},
      {"cursor", MakeIcon({{2, 2, 8, SmallDib()}}, true), DecodeStatus::Ok, 2, 2, {{1, 1, kRed}}},
      {"256 written as 0 holds a larger PNG", MakeIcon({{0, 0, 32, SmallPng(300, 257)}}),
       DecodeStatus::Ok, 300, 257, {}},
      // The directory only chooses the picture; its own header says how large it is.
      {"DIB narrower than its entry", MakeIcon({{3, 2, 8, SmallDib()}}), DecodeStatus::Ok, 2, 2,
       {{1, 0, kBlue}, {0, 1, {0, 0, 255, 0}}}},
      {"DIB taller than its entry", MakeIcon({{2, 1, 8, SmallDib()}}), DecodeStatus::Ok, 2, 2, {{1, 1, kRed}}},
      {"DIB far smaller than its entry", MakeIcon({{0, 0, 8, SmallDib()}}), DecodeStatus::Ok, 2, 2, {{0, 0, kRed}}},
      {"PNG of another size", MakeIcon({{4, 4, 32, SmallPng(5, 4)}}), DecodeStatus::Ok, 5, 4, {{4, 3, kGreen200}}},

      Refused("palette of 300 colours", MakeIcon({{2, 2, 8, SmallDib(300, std::vector<Rgba>(300, kRed))}}),
              DecodeStatus::Corrupt),
      Refused("index past a 1-colour palette", MakeIcon({{2, 2, 8, SmallDib(1, {kRed})}}), DecodeStatus::Corrupt),
      Refused("entry beyond the file", MakeIcon({{2, 2, 8, SmallDib(), 5000}}), DecodeStatus::Truncated),
      Refused("entry inside the directory", MakeIcon({{2, 2, 8, SmallDib(), 8}}), DecodeStatus::Corrupt),
      Refused("entry longer than the file", MakeIcon({{2, 2, 8, SmallDib(), -1, 4000}}), DecodeStatus::Truncated),
      Refused("entry of no bytes", MakeIcon({{2, 2, 8, SmallDib(), -1, 0}}), DecodeStatus::Corrupt),
  };
  Bytes shortDirectory = MakeIcon({{2, 2, 8, SmallDib()}});
  Set16(shortDirectory, 4, 40);
  cases.push_back(Refused("directory longer than the file", shortDirectory, DecodeStatus::Truncated));
  Bytes missingMask = MakeIcon({{2, 2, 8, SmallDib()}});
  missingMask.resize(missingMask.size() - 8);
  Set32(missingMask, 14, static_cast<uint32_t>(missingMask.size() - 22));
  cases.push_back(Refused("8-bit DIB without its AND mask", missingMask, DecodeStatus::Truncated));
  Bytes topDown = MakeIcon({{2, 2, 8, SmallDib()}});
  Set32(topDown, 22 + 8, static_cast<uint32_t>(-4));
  cases.push_back(Refused("DIB with top-down rows", topDown, DecodeStatus::Corrupt));

  for (const Case& c : cases) ExpectCase(c);
}

}  // namespace
