// The pixel grid: reading and writing bitmaps, positions, and both scalings' choice of source
// pixels, worked out by hand from the fixed-point ratios.
#include "BitmapFixtures.h"

#include "imaging/PixelGrid.h"
#include "imaging/decode/PictureDecoder.h"

#include <gtest/gtest.h>

namespace {

// A source whose every value names its own column (byte 0) and row (byte 1).
PixelArray PositionSource(int32_t width, int32_t height) {
    PixelArray pixels;
    for (int32_t y = 1; y <= height; ++y) {
        for (int32_t x = 1; x <= width; ++x) pixels.push_back(x | (y << 8));
    }
    return pixels;
}

PixelArray RandomPixels(size_t count, uint32_t seed) {
    PixelArray pixels;
    for (size_t i = 0; i < count; ++i) pixels.push_back(static_cast<int32_t>(fixtures::RandomColour(seed)));
    return pixels;
}

TEST(PixelGridScaling, NearestTakesTheColumnsAndRowsTheRatiosPick) {
    const struct {
        int32_t sw, sh, tw, th;
        std::vector<int32_t> columns, rows;
    } cases[] = {
        {4, 4, 2, 2, {2, 4}, {2, 4}},
        {2, 1, 4, 1, {1, 1, 1, 2}, {1}},      // ratio 500: not 1, 1, 2, 2
        {10, 1, 3, 1, {3, 6, 9}, {1}},        // ratio 3333: column 10 is never sampled
        {3, 1, 2, 1, {1, 3}, {1}},            // ratio 1500
        {1, 2, 1, 4, {1}, {1, 1, 1, 2}},
        {7, 3, 3, 3, {2, 4, 6}, {1, 2, 3}},   // ratio 2333
        {5, 2, 5, 2, {1, 2, 3, 4, 5}, {1, 2}},
    };
    const PixelGrid grid;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th);
        PixelArray target;
        ASSERT_TRUE(grid.ScaleNearest(PositionSource(c.sw, c.sh), c.sw, c.sh, c.tw, c.th, target));
        ASSERT_EQ(target.size(), static_cast<size_t>(c.tw * c.th));
        for (int32_t y = 1; y <= c.th; ++y) {
            for (int32_t x = 1; x <= c.tw; ++x) {
                const int32_t value = target[(y - 1) * c.tw + x - 1];
                EXPECT_EQ(value & 0xFF, c.columns[x - 1]) << "target column " << x;
                EXPECT_EQ(value >> 8, c.rows[y - 1]) << "target row " << y;
            }
        }
    }
}

int32_t Channel(int32_t value, int channel) { return (value >> (8 * channel)) & 0xFF; }

TEST(PixelGridScaling, AverageWeighsTheRepeatedEndColumnAndRow) {
    const PixelGrid grid;
    const PixelArray source = RandomPixels(16, 3);
    auto s = [&](int32_t x, int32_t y) { return source[(y - 1) * 4 + x - 1]; };
    PixelArray target;
    ASSERT_TRUE(grid.ScaleAverage(source, 4, 4, 2, 2, target));
    ASSERT_EQ(target.size(), 4u);
    for (int32_t ty = 1; ty <= 2; ++ty) {
        for (int32_t tx = 1; tx <= 2; ++tx) {
            // Of each 2 x 2 block the first column and row count once, the second twice.
            const int32_t x1 = 2 * tx - 1, x2 = 2 * tx, y1 = 2 * ty - 1, y2 = 2 * ty;
            int32_t expected = 0;
            for (int channel = 0; channel < 3; ++channel) {
                const int32_t sum = Channel(s(x1, y1), channel) + 2 * Channel(s(x2, y1), channel) +
                                    2 * Channel(s(x1, y2), channel) + 4 * Channel(s(x2, y2), channel);
                expected |= (sum / 9) << (8 * channel);
            }
            EXPECT_EQ(target[(ty - 1) * 2 + tx - 1], expected) << "target " << tx << ", " << ty;
        }
    }
}

TEST(PixelGridScaling, AverageOfThreeColumnsToTwo) {
    // Ratio 1500: the first target samples column 1 twice, the second columns 2 and 3.
    const PixelGrid grid;
    const PixelArray source = {RGB(10, 20, 30), RGB(11, 100, 0), RGB(20, 201, 255)};
    PixelArray target;
    ASSERT_TRUE(grid.ScaleAverage(source, 3, 1, 2, 1, target));
    EXPECT_EQ(target, (PixelArray{static_cast<int32_t>(RGB(10, 20, 30)), static_cast<int32_t>(RGB(15, 150, 127))}));
}

TEST(PixelGridScaling, AverageSumsDoNotOverflowOnLargeBlocks) {
    // 3001 x 3001 samples of 255: beyond what 32-bit channel sums hold.
    const PixelGrid grid;
    const PixelArray source(3000 * 3000, static_cast<int32_t>(RGB(255, 255, 255)));
    PixelArray target;
    ASSERT_TRUE(grid.ScaleAverage(source, 3000, 3000, 1, 1, target));
    EXPECT_EQ(target, PixelArray{static_cast<int32_t>(RGB(255, 255, 255))});
}

TEST(PixelGridScaling, EnlargingByAverageEqualsNearest) {
    const struct {
        int32_t sw, sh, tw, th;
    } cases[] = {{2, 2, 5, 3}, {1, 1, 4, 4}, {3, 2, 7, 5}, {4, 3, 9, 13}};
    const PixelGrid grid;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th);
        const PixelArray source = RandomPixels(static_cast<size_t>(c.sw * c.sh), 11);
        PixelArray nearest, average;
        ASSERT_TRUE(grid.ScaleNearest(source, c.sw, c.sh, c.tw, c.th, nearest));
        ASSERT_TRUE(grid.ScaleAverage(source, c.sw, c.sh, c.tw, c.th, average));
        EXPECT_EQ(average, nearest);
    }
}

TEST(PixelGridScaling, UnusableSizesLeaveTheTargetUntouched) {
    const struct {
        const char* why;
        int32_t sw, sh, tw, th;
        size_t sourceSize;
    } cases[] = {
        {"target width 0", 2, 2, 0, 3, 4},       {"target height 0", 2, 2, 3, 0, 4},
        {"target both negative", 2, 2, -2, -2, 4}, {"source width 0", 0, 2, 2, 2, 4},
        {"source both negative", -2, -2, 2, 2, 4}, {"source too short", 3, 3, 2, 2, 8},
    };
    const PixelGrid grid;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const PixelArray source(c.sourceSize, 5);
        PixelArray nearest = {42}, average = {42};
        EXPECT_FALSE(grid.ScaleNearest(source, c.sw, c.sh, c.tw, c.th, nearest));
        EXPECT_FALSE(grid.ScaleAverage(source, c.sw, c.sh, c.tw, c.th, average));
        EXPECT_EQ(nearest, PixelArray{42});
        EXPECT_EQ(average, PixelArray{42});
    }
}

TEST(PixelGridPositions, GetAtAndSetAtHoldNothingOutsideTheArray) {
    const PixelArray start = {11, 12, 13, 21, 22, 23};
    const struct {
        int32_t x, y;
        int position;  // 1-based; 0 for none
    } cases[] = {
        {1, 1, 1}, {3, 2, 6}, {2, 2, 5},
        {4, 1, 4},                           // a column past the width reads into the next row
        {1, 3, 0},                           // past the last element
        {0, 1, 0}, {1, 0, 0}, {-5, 2, 0},    // before the first
    };
    const PixelGrid grid;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        EXPECT_EQ(grid.GetAt(start, 3, c.x, c.y), c.position > 0 ? start[c.position - 1] : 0);
        PixelArray pixels = start;
        grid.SetAt(pixels, 3, c.x, c.y, 99);
        PixelArray expected = start;
        if (c.position > 0) expected[c.position - 1] = 99;
        EXPECT_EQ(pixels, expected);
    }
    PixelArray empty;
    EXPECT_EQ(grid.GetAt(empty, 3, 1, 1), 0);
    grid.SetAt(empty, 3, 1, 1, 99);
    EXPECT_TRUE(empty.empty());
}

TEST(PixelGridPositions, ColoursSplitIntoThreeChannelsAndJoinFromLowBytes) {
    int64_t sum0 = 1, sum1 = 2, sum2 = 3, count = 4;
    AccumulateColor(0x7F123456, sum0, sum1, sum2, count);
    EXPECT_EQ(sum0, 1 + 0x56);
    EXPECT_EQ(sum1, 2 + 0x34);
    EXPECT_EQ(sum2, 3 + 0x12);
    EXPECT_EQ(count, 5);
    AccumulateColor(-1, sum0, sum1, sum2, count);
    EXPECT_EQ(sum0, 1 + 0x56 + 255);
    EXPECT_EQ(count, 6);

    const struct {
        int64_t c0, c1, c2;
        int32_t value;
    } cases[] = {{0, 0, 0, 0}, {255, 255, 255, 0xFFFFFF}, {0x1FF, 0x102, 3, 0x0302FF}, {-1, 0, 0x100, 0xFF}};
    for (const auto& c : cases) EXPECT_EQ(MakeColor(c.c0, c.c1, c.c2), c.value) << c.c0 << " " << c.c1 << " " << c.c2;
}

TEST(PixelGridBitmaps, ReadPixelsListsRowsTopToBottom) {
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(3, 2, 24));
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) ASSERT_TRUE(bitmap.SetPixel(x, y, RGB(x + 1, y + 1, 9)));
    }
    PixelArray pixels(100, 7);  // a longer array is replaced, not overwritten in part
    ASSERT_TRUE(PixelGrid().ReadPixels(bitmap, pixels));
    const PixelArray expected = {static_cast<int32_t>(RGB(1, 1, 9)), static_cast<int32_t>(RGB(2, 1, 9)),
                                 static_cast<int32_t>(RGB(3, 1, 9)), static_cast<int32_t>(RGB(1, 2, 9)),
                                 static_cast<int32_t>(RGB(2, 2, 9)), static_cast<int32_t>(RGB(3, 2, 9))};
    EXPECT_EQ(pixels, expected);
}

TEST(PixelGridBitmaps, ReadThenWriteReproducesThePixelsAt24Bits) {
    const struct {
        const char* name;
        int32_t width, height, sectionDepth, loadDepth;
    } cases[] = {{"24-bit", 5, 4, 24, 0}, {"32-bit", 4, 3, 32, 0}, {"8-bit", 6, 2, 24, 8}, {"1 x 1", 1, 1, 24, 0}};
    const PixelGrid grid;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GdiObjectHandle section(fixtures::MakeRandomSection(c.width, c.height, c.sectionDepth, 21));
        新位图操作类 source;
        ASSERT_TRUE(source.LoadFromHandle(static_cast<HBITMAP>(section.Get()), c.loadDepth));
        PixelArray pixels;
        ASSERT_TRUE(grid.ReadPixels(source, pixels));
        新位图操作类 written;
        ASSERT_TRUE(grid.WritePixels(written, pixels, c.width, c.height));
        EXPECT_EQ(written.GetBitDepth(), 24);
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                EXPECT_EQ(written.GetPixel(x, y), source.GetPixel(x, y)) << "at " << x << ", " << y;
            }
        }
    }
}

TEST(PixelGridBitmaps, UnusableSizesLeaveArrayAndBitmapAsTheyWere) {
    const PixelGrid grid;
    新位图操作类 empty;
    PixelArray pixels = {5};
    EXPECT_FALSE(grid.ReadPixels(empty, pixels));
    EXPECT_EQ(pixels, PixelArray{5});

    const struct {
        const char* why;
        int32_t width, height;
        size_t size;
    } cases[] = {{"width 0", 0, 2, 4}, {"height 0", 2, 0, 4}, {"both negative", -2, -2, 4}, {"array too short", 2, 2, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 1, 32));
        ASSERT_TRUE(bitmap.SetPixel(2, 0, RGB(9, 9, 9)));
        EXPECT_FALSE(grid.WritePixels(bitmap, PixelArray(c.size, 0x123456), c.width, c.height));
        EXPECT_EQ(bitmap.GetWidth(), 3);
        EXPECT_EQ(bitmap.GetBitDepth(), 32);
        EXPECT_EQ(bitmap.GetPixel(2, 0), RGB(9, 9, 9));
    }
}

TEST(PixelGridBitmaps, TheResizeChainStoresTheNearestPixels) {
    // Bytes in, bytes out, as the batch resize goes: 6 x 4 to 3 x 2 takes columns 2, 4, 6 and rows 2, 4.
    const auto colour = [](int32_t x, int32_t y) { return RGB(x * 40, y * 60, 255 - x * y); };
    const ByteString file = fixtures::MakeBmp24(6, 4, colour);
    const PixelGrid grid;
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.LoadFromBytes(file));
    PixelArray source, target;
    ASSERT_TRUE(grid.ReadPixels(bitmap, source));
    ASSERT_TRUE(grid.ScaleNearest(source, bitmap.GetWidth(), bitmap.GetHeight(), 3, 2, target));
    ASSERT_TRUE(bitmap.Create(1, 1, 24));
    ASSERT_TRUE(grid.WritePixels(bitmap, target, 3, 2));
    const ByteString image = bitmap.ToBmpBytes();
    EXPECT_EQ(fixtures::Le32(image, 10), 54u);
    const imaging::DecodedPicture decoded = imaging::DecodePicture(image.data(), image.size());
    ASSERT_EQ(decoded.status, imaging::DecodeStatus::Ok);
    ASSERT_EQ(decoded.width, 3u);
    ASSERT_EQ(decoded.height, 2u);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            const uint8_t* bgra = &decoded.bgra[4 * (y * 3 + x)];
            // 0-based source pixel of 1-based column 2(x+1) and row 2(y+1).
            EXPECT_EQ(RGB(bgra[2], bgra[1], bgra[0]), colour(2 * x + 1, 2 * y + 1)) << "at " << x << ", " << y;
        }
    }
}

}  // namespace
