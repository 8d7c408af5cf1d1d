// The test pictures that come with the libpng and libjpeg-turbo sources.
#include "FixtureWriters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>

namespace {

using namespace fixtures;
using imaging::DecodeStatus;

const std::string kPngSource = QUILLMERE_PNG_SOURCE_DIR;
const std::string kJpegSource = QUILLMERE_JPEG_SOURCE_DIR;

std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t BigEndian32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Every picture decodes, with the size its own header gives.
void ExpectAllDecode(const std::string& dir, size_t minimum) {
  const std::vector<std::string> names = FilesIn(dir, ".png");
  ASSERT_GE(names.size(), minimum) << dir;
  for (const std::string& name : names) {
    const Bytes file = ReadFile(dir + "/" + name);
    ASSERT_GE(file.size(), 24u) << name;
    const imaging::DecodedPicture picture = DecodeBoth(file);
    EXPECT_EQ(DecodeStatusName(picture.status), std::string("Ok")) << name;
    EXPECT_EQ(picture.width, BigEndian32(file, 16)) << name;
    EXPECT_EQ(picture.height, BigEndian32(file, 20)) << name;
  }
}

TEST(ShippedPictures, PngSuiteDecodes) {
  ExpectAllDecode(kPngSource + "/contrib/pngsuite", 50);
  ExpectAllDecode(kPngSource + "/contrib/pngsuite/interlaced", 9);
  ExpectAllDecode(kPngSource + "/contrib/testpngs", 100);
}

// The suite's "i" pictures are its others interlaced: the same pixels must come out.
TEST(ShippedPictures, InterlacedPngSuiteMatchesItsProgressiveTwin) {
  const std::string dir = kPngSource + "/contrib/pngsuite";
  size_t pairs = 0;
  for (const std::string& name : FilesIn(dir, ".png")) {
    if (name[0] != 'i') continue;
    const Bytes twin = ReadFile(dir + "/" + name.substr(1));
    if (twin.empty()) continue;
    const imaging::DecodedPicture a = DecodeBoth(ReadFile(dir + "/" + name));
    const imaging::DecodedPicture b = DecodeBoth(twin);
    EXPECT_EQ(a.status, DecodeStatus::Ok) << name;
    EXPECT_TRUE(a.bgra == b.bgra) << name;
    ++pairs;
  }
  EXPECT_GE(pairs, 20u);
}

// Pictures made to break decoders: chunks claiming lengths past the end of the file, bad
// checksums. Only the one whose damage lies in chunks this module never reads decodes.
TEST(ShippedPictures, PngCrashersFailCleanly) {
  const std::string dir = kPngSource + "/contrib/testpngs/crashers";
  const std::vector<std::string> names = FilesIn(dir, ".png");
  ASSERT_GE(names.size(), 20u);
  for (const std::string& name : names) {
    const DecodeStatus expected = name == "empty_ancillary_chunks.png" ? DecodeStatus::Ok
                                  : name.rfind("huge_", 0) == 0     ? DecodeStatus::Truncated
                                                                    : DecodeStatus::Corrupt;
    const imaging::DecodedPicture picture = DecodeBoth(ReadFile(dir + "/" + name));
    EXPECT_EQ(DecodeStatusName(picture.status), std::string(DecodeStatusName(expected))) << name;
  }
}

TEST(ShippedPictures, JpegTestImages) {
  const std::string dir = kJpegSource + "/testimages";
  // One picture coded with Huffman tables and twice more, arithmetic and progressive; the
  // latter two carry the same coefficients and must decode alike.
  const imaging::DecodedPicture original = DecodeBoth(ReadFile(dir + "/testorig.jpg"));
  ASSERT_EQ(original.status, DecodeStatus::Ok);
  EXPECT_EQ(original.width, 227u);
  EXPECT_EQ(original.height, 149u);
  for (const char* name : {"testimgari.jpg", "testimgint.jpg"}) {
    const imaging::DecodedPicture other = DecodeBoth(ReadFile(dir + "/" + name));
    ASSERT_EQ(other.status, DecodeStatus::Ok) << name;
    EXPECT_EQ(other.width, 227u) << name;
    EXPECT_EQ(other.height, 149u) << name;
  }
  const imaging::DecodedPicture arithmetic = DecodeBoth(ReadFile(dir + "/testimgari.jpg"));
  const imaging::DecodedPicture progressive = DecodeBoth(ReadFile(dir + "/testimgint.jpg"));
  EXPECT_TRUE(arithmetic.bgra == progressive.bgra);
  EXPECT_EQ(DecodeBoth(ReadFile(dir + "/testorig12.jpg")).status, DecodeStatus::Unsupported);

  const struct {
    const char* name;
    uint32_t width, height;
  } bmps[] = {{"nightshot_iso_100.bmp", 192, 144}, {"vgl_5674_0098.bmp", 120, 96},
              {"vgl_6434_0018a.bmp", 119, 96}, {"vgl_6548_0026a.bmp", 128, 95}};
  for (const auto& b : bmps) {
    const imaging::DecodedPicture picture = DecodeBoth(ReadFile(dir + "/" + b.name));
    EXPECT_EQ(picture.status, DecodeStatus::Ok) << b.name;
    EXPECT_EQ(picture.width, b.width) << b.name;
    EXPECT_EQ(picture.height, b.height) << b.name;
  }
}

}  // namespace
