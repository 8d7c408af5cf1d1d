#include "FixtureWriters.h"

#include <gtest/gtest.h>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255};
const Rgba kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 255};

PcxLayout Indexed(uint16_t w, uint16_t h, std::vector<Bytes> lines) {
  PcxLayout s;
  s.width = w;
  s.height = h;
  s.lines = std::move(lines);
  s.palette = {kRed, kGreen, kBlue, kWhite};
  s.palette.resize(256, kBlack);
  s.palette[200] = kWhite;
  return s;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  auto add = [&](std::string name, const PcxLayout& s, DecodeStatus status, uint32_t w = 0,
                 uint32_t h = 0, std::vector<Probe> probes = {}) {
    cases.push_back(Case{std::move(name), MakePcx(s), status, w, h, std::move(probes)});
  };
  // Scan lines are padded to an even byte count; 200 is a byte that must be written as a run.
  add("8 bits with palette", Indexed(3, 2, {{0, 1, 2, 0}, {3, 3, 200, 0}}), DecodeStatus::Ok, 3, 2,
      {{0, 0, kRed}, {1, 0, kGreen}, {2, 0, kBlue}, {0, 1, kWhite}, {2, 1, kWhite}});
  PcxLayout rgb;
  rgb.width = 2;
  rgb.height = 1;
  rgb.planes = 3;
  rgb.lines = {{10, 20, 30, 40, 50, 60}};
  add("24 bits in three planes", rgb, DecodeStatus::Ok, 2, 1, {{0, 0, {10, 30, 50, 255}}, {1, 0, {20, 40, 60, 255}}});
  PcxLayout mono;
  mono.version = 3;
  mono.bpp = 1;
  mono.width = 10;
  mono.height = 2;
  mono.lines = {{0b10100000, 0b01000000}, {0xFF, 0xFF}};
  add("1 bit", mono, DecodeStatus::Ok, 10, 2,
      {{0, 0, kWhite}, {1, 0, kBlack}, {2, 0, kWhite}, {9, 0, kWhite}, {8, 0, kBlack}, {5, 1, kWhite}});
  // A run of three 1s covering the end of line 0 and the start of line 1.
  PcxLayout carried = Indexed(2, 2, {});
  carried.encoded = {0, 0xC3, 1, 2, 3};
  carried.bytesPerLine = 2;
  carried.height = 3;
  add("run carried into the next line", carried, DecodeStatus::Ok, 2, 3,
      {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kGreen}, {1, 1, kGreen}, {0, 2, kBlue}, {1, 2, kWhite}});

  // Damage.
  PcxLayout overrun = Indexed(2, 1, {});
  overrun.encoded = {0xC5, 1};
  add("run past the last line", overrun, DecodeStatus::Corrupt);
  PcxLayout narrow = Indexed(4, 1, {{0, 1, 2, 3}});
  narrow.bytesPerLine = 2;
  add("bytes per line smaller than the width", narrow, DecodeStatus::Corrupt);
  PcxLayout narrowMono = mono;
  narrowMono.bytesPerLine = 1;
  add("1-bit bytes per line smaller than the width", narrowMono, DecodeStatus::Corrupt);
  PcxLayout shortData = Indexed(2, 2, {});
  shortData.encoded = {0xC2, 1};
  add("data ends early", shortData, DecodeStatus::Truncated);
  PcxLayout noPalette = Indexed(2, 1, {{0, 1}});
  noPalette.palette.clear();
  add("no palette at the end", noPalette, DecodeStatus::Truncated);
  PcxLayout planes4 = rgb;
  planes4.planes = 4;
  add("four planes", planes4, DecodeStatus::Unsupported);
  return cases;
}

TEST(PcxDecoder, DecodesEachVariantAndRefusesEachDamage) {
  for (const Case& c : Cases()) ExpectCase(c);
}

TEST(PcxDecoder, ReversedWindowIsCorrupt) {
  Bytes file = MakePcx(Indexed(2, 1, {{0, 1}}));
  Set16(file, 4, 5);  // xMin past xMax
  EXPECT_EQ(DecodeBoth(file).status, DecodeStatus::Corrupt);
}

TEST(PcxDecoder, ClaimedHugeSizeIsRefusedBeforeAllocating) {
  // 65535 x 65535 from a few bytes: the data cannot hold it.
  Bytes file = MakePcx(Indexed(2, 1, {{0, 1}}));
  Set16(file, 8, 0xFFFE);
  Set16(file, 10, 0xFFFE);
  Set16(file, 66, 0xFFFF);
  EXPECT_EQ(DecodeBoth(file).status, DecodeStatus::Truncated);
}

}  // namespace
