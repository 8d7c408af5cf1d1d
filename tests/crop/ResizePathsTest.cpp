// The run's direct road against the resample chain it replaces: byte for byte the same file
// images, for every kind of picture, in fixed and both proportional modes, enlarging and
// shrinking; and the target-size table.
#include "crop/DirectResize.h"
#include "crop/ResamplePicture.h"
#include "crop/ResizeTarget.h"
#include "imaging/ImageProbe.h"

#include "ResizePictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using resizetest::AsText;

std::string FixtureFile(const std::string& name) {
    std::string path = QUILLMERE_FIXTURES + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return AsText(fixtures::ReadFile(path));
}

std::string TopDownBmp(int32_t width, int32_t height) {
    fixtures::BmpLayout layout;
    layout.width = width;
    layout.height = -height;
    std::vector<fixtures::Bytes> rows;
    for (int32_t y = 0; y < height; ++y) {
        fixtures::Bytes row;
        for (int32_t x = 0; x < width; ++x) row.insert(row.end(), {uint8_t(x * 9), uint8_t(y * 13), uint8_t(x ^ y)});
        rows.push_back(row);
    }
    layout.pixels = fixtures::PadRows(rows);
    return AsText(fixtures::MakeBmp(layout));
}

struct Picture {
    const char* name;
    std::string bytes;
};

std::vector<Picture> Pictures() {
    return {
        {"photo JPEG 1203 x 677", resizetest::PhotoJpeg(1203, 677, 3)},
        {"photo JPEG 97 x 133", resizetest::PhotoJpeg(97, 133, 4)},
        {"fixture JPEG 640 x 480", FixtureFile("verify-640x480.jpg")},
        {"progressive JPEG", AsText(fixtures::MakeJpeg(301, 203, fixtures::JpegKind::Progressive, 85))},
        {"grey JPEG", resizetest::GreyJpeg(150, 90)},
        {"CMYK JPEG", resizetest::CmykJpeg(90, 150)},
        {"PNG with alpha", resizetest::AlphaPng(61, 40)},
        {"8-bit BMP", resizetest::Palette8Bmp(37, 23)},
        {"top-down 24-bit BMP", TopDownBmp(29, 17)},
        {"interlaced PNG with alpha", resizetest::AlphaPng(83, 59, true)},
        {"GIF with a transparent index", resizetest::TransparentGif(45, 31)},
        {"icon with alpha", resizetest::AlphaIcon(48)},
    };
}

ResizeSettings Fixed(int32_t width, int32_t height) { return {false, true, false, width, height}; }
ResizeSettings ByWidth(int32_t width) { return {true, true, false, width, 365}; }
ResizeSettings ByHeight(int32_t height) { return {true, false, true, 304, height}; }

TEST(ResizePaths, TheDirectRoadGivesTheChainsBytesForEveryKindOfPicture) {
    struct Mode {
        const char* name;
        ResizeSettings settings;
    };
    const Mode modes[] = {
        {"fixed 304 x 365", Fixed(304, 365)},
        {"fixed 13 x 7", Fixed(13, 7)},
        {"fixed 1 x 1", Fixed(1, 1)},
        {"by width 304", ByWidth(304)},
        {"by width 17", ByWidth(17)},
        {"by height 365", ByHeight(365)},
        {"by height 9", ByHeight(9)},
    };
    for (const Picture& picture : Pictures()) {
        const int32_t sourceWidth = ProbeImageWidth(picture.bytes);
        const int32_t sourceHeight = ProbeImageHeight(picture.bytes);
        ASSERT_GT(sourceWidth, 0) << picture.name;
        for (const Mode& mode : modes) {
            SCOPED_TRACE(testing::Message() << picture.name << ", " << mode.name);
            const ResizeTarget target = ComputeResizeTarget(mode.settings, sourceWidth, sourceHeight);
            if (target.width < 1 || target.height < 1) continue;  // refused before any resample
            const ResizeOutcome direct = ResizeDirect(picture.bytes, target.width, target.height);
            ASSERT_EQ(direct.status, ResizeStatus::Done);
            const ByteString chain = ResamplePicture(picture.bytes, target.width, target.height, 0);
            ASSERT_EQ(direct.bmp.size(), chain.size());
            EXPECT_TRUE(direct.bmp == chain) << "the file images differ";
        }
    }
}

TEST(ResizePaths, WhatTheChainGivesForWhatDoesNotDecodeTheDirectRoadRefuses) {
    const std::string notAPicture = "just some text, not a picture at all";
    const ByteString chain = ResamplePicture(notAPicture, 304, 365, 0);
    // The chain's 1 x 1 black picture: headers, then one row of three zero bytes and a pad byte.
    ASSERT_EQ(chain.size(), 58u);
    EXPECT_EQ(chain[0], 'B');
    EXPECT_EQ(chain[18], 1);
    EXPECT_EQ(chain[22], 1);
    EXPECT_EQ(chain[28], 24);
    EXPECT_EQ(ByteString(chain.begin() + 54, chain.end()), ByteString(4, 0));
    EXPECT_EQ(ResizeDirect(notAPicture, 304, 365).status, ResizeStatus::Undecodable);
    EXPECT_EQ(ResizeDirect("", 304, 365).status, ResizeStatus::Undecodable);
    const std::string photo = resizetest::PhotoJpeg(40, 30);
    EXPECT_EQ(ResizeDirect(photo, 0, 365).status, ResizeStatus::TargetTooSmall);
    EXPECT_EQ(ResizeDirect(photo, 304, -1).status, ResizeStatus::TargetTooSmall);
    EXPECT_EQ(ResizeDirect(photo, 30000, 30000).status, ResizeStatus::TargetTooLarge);
}

TEST(ResizePaths, ModeOneAveragesBlocks) {
    // A 4 x 4 grey BMP of values 0..15 shrunk to 2 x 2: averaging takes nine samples per block.
    fixtures::BmpLayout layout;
    layout.width = 4;
    layout.height = 4;
    layout.bpp = 8;
    for (int i = 0; i < 256; ++i) layout.palette.push_back({uint8_t(i), uint8_t(i), uint8_t(i), 255});
    std::vector<fixtures::Bytes> rows;
    for (int y = 3; y >= 0; --y) rows.push_back({uint8_t(y * 64), uint8_t(y * 64 + 16), uint8_t(y * 64 + 32), uint8_t(y * 64 + 48)});
    layout.pixels = fixtures::PadRows(rows);
    const std::string bytes = AsText(fixtures::MakeBmp(layout));
    const ByteString nearest = ResamplePicture(bytes, 2, 2, 0);
    const ByteString average = ResamplePicture(bytes, 2, 2, 1);
    ASSERT_EQ(nearest.size(), 54u + 2 * 8);
    ASSERT_EQ(average.size(), nearest.size());
    // Top-left target pixel, stored in the last row: nearest takes source (2, 2) of value 64 + 16;
    // the average of columns 1, 2, 2 and rows 1, 2, 2 is (0 + 2*16 + 2*64 + 4*80) / 9 = 53.
    EXPECT_EQ(nearest[54 + 8], 80);
    EXPECT_EQ(average[54 + 8], 53);
}

TEST(ResizeTarget, SidesFollowTheTable) {
    struct Case {
        const char* name;
        ResizeSettings settings;
        int32_t sourceWidth, sourceHeight;
        bool resample;
        int32_t width, height;
    };
    const Case cases[] = {
        {"fixed ignores the source", Fixed(304, 365), 3, 1000, true, 304, 365},
        {"fixed keeps what was typed", Fixed(0, -5), 1000, 500, true, 0, -5},
        {"by width", ByWidth(304), 1000, 500, true, 304, 152},
        {"by height", ByHeight(365), 1000, 500, true, 730, 365},
        {"by width of a tall picture", ByWidth(304), 3, 1000, true, 304, 101333},
        {"by height truncates toward zero", ByHeight(1), 3, 1000, true, 0, 1},
        {"negative typed side truncates toward zero", ByWidth(-7), 3, 2, true, -7, -4},
        {"zero source width", ByWidth(304), 0, 500, true, 304, 0},
        {"zero source size", ByHeight(365), 0, 0, true, 0, 365},
        {"neither radio button", {true, false, false, 304, 365}, 1000, 500, false, 0, 0},
        {"width wins over height", {true, true, true, 200, 365}, 1000, 500, true, 200, 100},
        {"a derived side past the int range saturates", ByWidth(INT32_MAX), 1, INT32_MAX, true, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ResizeTarget target = ComputeResizeTarget(c.settings, c.sourceWidth, c.sourceHeight);
        EXPECT_EQ(target.resample, c.resample);
        if (!c.resample) continue;
        EXPECT_EQ(target.width, c.width);
        EXPECT_EQ(target.height, c.height);
    }
    EXPECT_EQ(NeedsSourceSize(Fixed(304, 365)), false);
    EXPECT_EQ(NeedsSourceSize(ByWidth(304)), true);
    EXPECT_EQ(NeedsSourceSize(ByHeight(304)), true);
    EXPECT_EQ(NeedsSourceSize({true, false, false, 304, 365}), false);
    EXPECT_EQ(TruncateSide(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncateSide(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(TruncateSide(-3e10), INT32_MIN);
    EXPECT_EQ(TruncateSide(-2.9), -2);
}

TEST(ResizeTarget, ABmpHoldsWhatTheBitmapObjectHolds) {
    struct Case {
        int32_t width, height;
        bool fits;
    };
    // 304 x 101333 is some 92 MB; the limit is 2 GiB including the 40-byte info header.
    const Case cases[] = {{304, 101333, true}, {1, 1, true},        {0, 5, false},
                          {5, -1, false},      {30000, 30000, false}, {89478484, 1, true},
                          {89478485, 1, false}, {20000, 35791, true}, {20000, 35792, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(Bmp24Fits(c.width, c.height), c.fits) << c.width << " x " << c.height;
        新位图操作类 bitmap;
        if (c.fits && static_cast<int64_t>(c.width) * c.height < 50000000) {
            EXPECT_TRUE(bitmap.Create(c.width, c.height, 24)) << c.width << " x " << c.height;
        }
    }
}

}  // namespace
