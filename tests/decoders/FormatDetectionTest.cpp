#include "FixtureWriters.h"

#include <gtest/gtest.h>

namespace {

using fixtures::Bytes;
using imaging::PictureFormat;

TEST(FormatDetection, LeadingBytesInTableOrder) {
  struct Row {
    const char* name;
    Bytes bytes;
    PictureFormat format;
  };
  const std::vector<Row> rows = {
      {"BMP", {'B', 'M', 0, 0, 0, 0, 0, 0}, PictureFormat::Bmp},
      {"JPEG", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0}, PictureFormat::Jpeg},
      {"PNG needs only four bytes of its signature", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}, PictureFormat::Png},
      {"ICO", {0, 0, 1, 0, 1, 0, 0, 0}, PictureFormat::Ico},
      {"ICO with no pictures", {0, 0, 1, 0, 0, 0, 0, 0}, PictureFormat::Unknown},
      {"ICO count is little-endian", {0, 0, 1, 0, 0, 1, 0, 0}, PictureFormat::Ico},
      {"CUR", {0, 0, 2, 0, 3, 0, 0, 0}, PictureFormat::Cur},
      {"CUR with no pictures", {0, 0, 2, 0, 0, 0, 0, 0}, PictureFormat::Unknown},
      {"GIF87a", {'G', 'I', 'F', '8', '7', 'a', 0, 0}, PictureFormat::Gif},
      {"GIF89a", {'G', 'I', 'F', '8', '9', 'a', 0, 0}, PictureFormat::Gif},
      {"GIF88a", {'G', 'I', 'F', '8', '8', 'a', 0, 0}, PictureFormat::Unknown},
      {"GIF89b", {'G', 'I', 'F', '8', '9', 'b', 0, 0}, PictureFormat::Unknown},
      {"PCX 8 bits version 0", {0x0A, 0, 1, 8, 0, 0, 0, 0}, PictureFormat::Pcx},
      {"PCX 8 bits version 5", {0x0A, 5, 1, 8, 0, 0, 0, 0}, PictureFormat::Pcx},
      {"PCX 8 bits version 6", {0x0A, 6, 1, 8, 0, 0, 0, 0}, PictureFormat::Unknown},
      {"PCX 8 bits unencoded", {0x0A, 5, 0, 8, 0, 0, 0, 0}, PictureFormat::Unknown},
      {"PCX 1 bit version 3", {0x0A, 3, 1, 1, 0, 0, 0, 0}, PictureFormat::Pcx},
      {"PCX 1 bit version 5", {0x0A, 5, 1, 1, 0, 0, 0, 0}, PictureFormat::Unknown},
      {"PCX 4 bits", {0x0A, 5, 1, 4, 0, 0, 0, 0}, PictureFormat::Unknown},
      {"TIFF", {'I', 'I', 42, 0, 8, 0, 0, 0}, PictureFormat::Unknown},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o'}, PictureFormat::Unknown},
      {"seven bytes of JPEG", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0}, PictureFormat::Unknown},
      {"nothing", {}, PictureFormat::Unknown},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(imaging::DetectPictureFormat(row.bytes.data(), row.bytes.size()), row.format) << row.name;
  }
}

TEST(FormatDetection, UnknownBytesAreNotAPicture) {
  const Bytes text(100, 'x');
  const imaging::DecodedPicture picture = imaging::DecodePicture(text.data(), text.size());
  EXPECT_EQ(picture.status, imaging::DecodeStatus::NotAPicture);
  EXPECT_EQ(picture.format, PictureFormat::Unknown);
  EXPECT_EQ(imaging::CheckPictureDecodes(text.data(), text.size()), imaging::DecodeStatus::NotAPicture);
  EXPECT_EQ(imaging::CheckPictureDecodes(nullptr, 0), imaging::DecodeStatus::NotAPicture);
}

}  // namespace
