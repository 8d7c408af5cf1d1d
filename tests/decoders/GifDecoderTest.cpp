#include "FixtureWriters.h"

#include <gtest/gtest.h>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};
const Rgba kWhite{255, 255, 255, 255}, kClear{0, 0, 0, 0};

GifLayout Frame(uint16_t w, uint16_t h, const std::vector<uint8_t>& indices, unsigned minCodeSize = 2) {
  GifLayout s;
  s.screenWidth = w;
  s.screenHeight = h;
  s.width = w;
  s.height = h;
  s.globalColours = {kRed, kGreen, kBlue, kWhite};
  s.minCodeSize = static_cast<uint8_t>(minCodeSize);
  s.lzw = LiteralLzw(indices, minCodeSize);
  return s;
}

// LZW codes of 3 bits (minimum code size 2) written one by one.
Bytes Codes(std::initializer_list<unsigned> codes, unsigned bits = 3) {
  CodeWriter w;
  for (unsigned c : codes) w.Add(c, bits);
  return w.Finish();
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  auto add = [&](std::string name, const GifLayout& s, DecodeStatus status, uint32_t w = 0,
                 uint32_t h = 0, std::vector<Probe> probes = {}) {
    cases.push_back(Case{std::move(name), MakeGif(s), status, w, h, std::move(probes)});
  };
  add("global table", Frame(2, 2, {0, 1, 2, 3}), DecodeStatus::Ok, 2, 2,
      {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kBlue}, {1, 1, kWhite}});
  GifLayout local = Frame(2, 1, {0, 1});
  local.localColours = {kWhite, kBlue};
  add("local table wins", local, DecodeStatus::Ok, 2, 1, {{0, 0, kWhite}, {1, 0, kBlue}});
  GifLayout noGlobal = local;
  noGlobal.globalColours.clear();
  add("local table only", noGlobal, DecodeStatus::Ok, 2, 1, {{1, 0, kBlue}});
  // Stored rows of an interlaced 1 x 5 frame come as rows 0, 4, 2, 1, 3.
  GifLayout interlaced = Frame(1, 5, {0, 1, 2, 3, 0});
  interlaced.interlaced = true;
  add("interlaced", interlaced, DecodeStatus::Ok, 1, 5,
      {{0, 0, kRed}, {0, 4, kGreen}, {0, 2, kBlue}, {0, 1, kWhite}, {0, 3, kRed}});
  GifLayout transparent = Frame(2, 1, {2, 1});
  transparent.transparentIndex = 2;
  add("transparency", transparent, DecodeStatus::Ok, 2, 1, {{0, 0, kClear}, {1, 0, kGreen}});
  GifLayout placed = Frame(1, 1, {3});
  placed.screenWidth = 3;
  placed.screenHeight = 2;
  placed.left = 1;
  placed.top = 1;
  add("frame placed on the screen", placed, DecodeStatus::Ok, 3, 2,
      {{0, 0, kClear}, {1, 1, kWhite}, {2, 1, kClear}});
  GifLayout overhanging = Frame(2, 1, {0, 1});
  overhanging.screenWidth = 1;
  overhanging.left = 2;
  add("screen grown to fit the frame", overhanging, DecodeStatus::Ok, 4, 1, {{3, 0, kGreen}});
  // clear, 0, then 6: the code being defined (0 0), and end.
  GifLayout kwkwk = Frame(3, 1, {});
  kwkwk.lzw = Codes({4, 0, 6, 5});
  add("code defined by its own use", kwkwk, DecodeStatus::Ok, 3, 1,
      {{0, 0, kRed}, {1, 0, kRed}, {2, 0, kRed}});
  // 5000 literals without a clear: the table fills at 4096 and must stop growing there.
  std::vector<uint8_t> many(5000);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint8_t>(i % 4);
  add("table full without a clear code", Frame(1000, 5, many), DecodeStatus::Ok, 1000, 5,
      {{999, 4, kWhite}, {998, 4, kBlue}, {0, 3, kRed}});
  std::vector<uint8_t> wide(300);
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<uint8_t>(i);
  GifLayout eightBit = Frame(300, 1, wide, 8);
  eightBit.globalColours.assign(256, kBlue);
  eightBit.globalColours[255] = kGreen;
  add("8-bit codes", eightBit, DecodeStatus::Ok, 300, 1, {{255, 0, kGreen}, {299, 0, kBlue}});
  // Shown as common viewers show them: without any table in grey levels over the indices the
  // code size allows, an index past the table transparent.
  GifLayout noTable = Frame(4, 1, {0, 1, 2, 3});
  noTable.globalColours.clear();
  add("no colour table", noTable, DecodeStatus::Ok, 4, 1,
      {{0, 0, {0, 0, 0, 255}}, {1, 0, {85, 85, 85, 255}}, {2, 0, {170, 170, 170, 255}}, {3, 0, kWhite}});
  GifLayout noTable8 = Frame(3, 1, {0, 200, 255}, 8);
  noTable8.globalColours.clear();
  noTable8.transparentIndex = 255;
  add("no colour table, 8-bit codes and transparency", noTable8, DecodeStatus::Ok, 3, 1,
      {{0, 0, {0, 0, 0, 255}}, {1, 0, {200, 200, 200, 255}}, {2, 0, kClear}});
  GifLayout twoColours = Frame(2, 1, {0, 3});
  twoColours.globalColours = {kRed, kGreen};
  add("index past the colour table", twoColours, DecodeStatus::Ok, 2, 1, {{0, 0, kRed}, {1, 0, kClear}});
  GifLayout pastLocal = Frame(3, 1, {0, 2, 3});
  pastLocal.localColours = {kBlue, kWhite};
  add("index past a local table, not taken from the global one", pastLocal, DecodeStatus::Ok, 3, 1,
      {{0, 0, kBlue}, {1, 0, kClear}, {2, 0, kClear}});

  // Damage.
  add("minimum code size 1", Frame(2, 1, {0, 1}, 1), DecodeStatus::Corrupt);
  GifLayout nine = Frame(2, 1, {0, 1}, 8);
  nine.minCodeSize = 9;
  add("minimum code size 9", nine, DecodeStatus::Corrupt);
  GifLayout pastTable = Frame(3, 1, {});
  pastTable.lzw = Codes({4, 0, 7, 5});
  add("code past the table", pastTable, DecodeStatus::Corrupt);
  GifLayout firstNotLiteral = Frame(3, 1, {});
  firstNotLiteral.lzw = Codes({4, 6, 5});
  add("first code not a literal", firstNotLiteral, DecodeStatus::Corrupt);
  GifLayout shortData = Frame(2, 2, {});
  shortData.lzw = LiteralLzw({0, 1}, 2);
  add("end code before the frame is full", shortData, DecodeStatus::Corrupt);
  GifLayout emptyFrame = Frame(2, 1, {0, 1});
  emptyFrame.width = 0;
  add("frame of zero width", emptyFrame, DecodeStatus::Corrupt);
  return cases;
}

TEST(GifDecoder, DecodesTheFirstFrameAndRefusesDamage) {
  for (const Case& c : Cases()) ExpectCase(c);
}

TEST(GifDecoder, StructuralDamage) {
  const Bytes good = MakeGif(Frame(2, 2, {0, 1, 2, 3}));
  Bytes noImage(good.begin(), good.begin() + 13 + 12);
  noImage.push_back(0x3B);
  EXPECT_EQ(DecodeBoth(noImage).status, DecodeStatus::Corrupt);
  Bytes badBlock = noImage;
  badBlock.back() = 0x99;
  EXPECT_EQ(DecodeBoth(badBlock).status, DecodeStatus::Corrupt);
  // Data sub-blocks that end before the frame does.
  GifLayout cut = Frame(2, 2, {0, 1, 2, 3});
  cut.lzw.resize(1);
  EXPECT_EQ(DecodeBoth(MakeGif(cut)).status, DecodeStatus::Corrupt);
  // Without the trailer the first frame is still whole.
  GifLayout noTrailer = Frame(2, 2, {0, 1, 2, 3});
  noTrailer.trailer = false;
  EXPECT_EQ(DecodeBoth(MakeGif(noTrailer)).status, DecodeStatus::Ok);
}

}  // namespace
