// BMP file images in memory: loading them without a file, refusing those that promise more than
// their bytes hold, and the bytes and records the object hands out.
#include "BitmapFixtures.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using fixtures::ColourAt;
using fixtures::Le32;
using fixtures::Patched;

ByteString Cut(ByteString bytes, size_t keep) {
    bytes.resize(keep);
    return bytes;
}

// `count` bytes inserted at `at`, with the file header's size and row offset moved past them.
ByteString Widened(ByteString bytes, size_t at, size_t count, uint8_t fill) {
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), count, fill);
    bytes = Patched(bytes, 2, static_cast<uint32_t>(bytes.size()));
    return Patched(bytes, 10, Le32(bytes, 10) + static_cast<uint32_t>(count));
}

void ExpectEmpty(新位图操作类& bitmap) {
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_EQ(bitmap.GetHandleWidth(), 0);
    EXPECT_EQ(bitmap.GetInfoPointer(), nullptr);
    EXPECT_TRUE(bitmap.GetPixelBytes().empty());
    EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u);
    EXPECT_EQ(bitmap.GetPixel(0, 0), CLR_INVALID);
}

int CountWrongPixels(新位图操作类& bitmap, int32_t width, int32_t height, const ColourAt& colour) {
    if (bitmap.GetWidth() != width || bitmap.GetHeight() != height) return width * height;
    int wrong = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) wrong += bitmap.GetPixel(x, y) != colour(x, y) ? 1 : 0;
    }
    return wrong;
}

TEST(BitmapBytes, ToBmpBytesComesBackThroughLoadFromBmpBytesAtEveryDepth) {
    for (int32_t bitDepth : {24, 1, 4, 8, 16, 32}) {
        for (int32_t width : {5, 8}) {
            SCOPED_TRACE(testing::Message() << width << " x 3 x " << bitDepth);
            新位图操作类 original;
            ASSERT_TRUE(original.Create(width, 3, bitDepth));
            uint32_t state = 11u * bitDepth + width;
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t x = 0; x < width; ++x) ASSERT_TRUE(original.SetPixel(x, y, fixtures::RandomColour(state)));
            }
            const ByteString image = original.ToBmpBytes();
            新位图操作类 loaded;
            ASSERT_TRUE(loaded.LoadFromBmpBytes(image));
            EXPECT_EQ(loaded.GetWidth(), width);
            EXPECT_EQ(loaded.GetHeight(), 3);
            EXPECT_EQ(loaded.GetBitDepth(), bitDepth);
            EXPECT_EQ(loaded.GetHandleBitDepth(), bitDepth);
            for (int32_t y = -1; y <= 3; ++y) {
                for (int32_t x = -1; x <= width; ++x) {
                    ASSERT_EQ(loaded.GetPixel(x, y), original.GetPixel(x, y)) << "at " << x << ", " << y;
                }
            }
            EXPECT_EQ(loaded.ToBmpBytes(), image);
        }
    }
}

TEST(BitmapBytes, LoadFromBmpBytesFindsEachPartWhereTheFileSaysItIs) {
    const ColourAt colour = [](int32_t x, int32_t y) { return RGB(x * 50, 255 - y * 60, 90 + x * y); };
    const ByteString file = fixtures::MakeBmp24(5, 3, colour);
    // An 8-bit picture whose table holds only the two colours it uses.
    const ByteString twoColours =
        fixtures::MakeBmp8(3, 2, {RGB(255, 0, 0), RGB(0, 0, 255)}, {0, 1, 1, 1, 0, 0});
    const ColourAt twoColourAt = [](int32_t x, int32_t y) {
        return (x + y * 3 == 0 || x + y * 3 >= 4) ? RGB(255, 0, 0) : RGB(0, 0, 255);
    };
    // A grey ramp in a full table: none of its entries is where the default table has it.
    std::vector<COLORREF> greys;
    for (int i = 0; i < 256; ++i) greys.push_back(RGB(255 - i, 255 - i, 255 - i));
    const ByteString greyRamp = fixtures::MakeBmp8(4, 2, greys, {0, 10, 100, 200, 255, 128, 7, 64});
    const ColourAt greyAt = [](int32_t x, int32_t y) {
        const int index[] = {0, 10, 100, 200, 255, 128, 7, 64};
        const int grey = 255 - index[y * 4 + x];
        return RGB(grey, grey, grey);
    };
    ByteString trailing = file;
    trailing.insert(trailing.end(), {0xAB, 0xCD, 0xEF});
    // A 124-byte info header: the 40 bytes this object keeps come first in it.
    const ByteString longHeader = Patched(Widened(file, 54, 84, 0), 14, 124);
    const struct {
        const char* name;
        ByteString bytes;
        int32_t width, height, bitDepth;
        ColourAt colour;
    } cases[] = {
        {"a plain 24-bit file", file, 5, 3, 24, colour},
        {"a short colour table", twoColours, 3, 2, 8, twoColourAt},
        {"a colour table of its own", greyRamp, 4, 2, 8, greyAt},
        {"bytes after the rows", trailing, 5, 3, 24, colour},
        {"a gap before the rows", Widened(file, 54, 10, 0x77), 5, 3, 24, colour},
        {"a longer info header", longHeader, 5, 3, 24, colour},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.LoadFromBmpBytes(c.bytes));
        EXPECT_EQ(bitmap.GetBitDepth(), c.bitDepth);
        EXPECT_EQ(CountWrongPixels(bitmap, c.width, c.height, c.colour), 0);
        EXPECT_EQ(Le32(ByteString(bitmap.ToBmpBytes()), 14), 40u) << "the kept header is a 40-byte one";
    }
}

TEST(BitmapBytes, LoadFromBmpBytesTakesSidesUpTo65535) {
    for (const POINT size : {POINT{65535, 1}, POINT{1, 65535}}) {
        SCOPED_TRACE(testing::Message() << size.x << " x " << size.y);
        新位图操作类 original;
        ASSERT_TRUE(original.Create(size.x, size.y, 1));
        ASSERT_TRUE(original.SetPixel(size.x - 1, size.y - 1, RGB(255, 255, 255)));
        新位图操作类 loaded;
        ASSERT_TRUE(loaded.LoadFromBmpBytes(original.ToBmpBytes()));
        EXPECT_EQ(loaded.GetWidth(), size.x);
        EXPECT_EQ(loaded.GetHeight(), size.y);
        EXPECT_EQ(loaded.GetPixel(size.x - 1, size.y - 1), RGB(255, 255, 255));
        EXPECT_EQ(loaded.GetPixel(0, 0), RGB(0, 0, 0));
    }
}

TEST(BitmapBytes, LoadFromBmpBytesRefusesWhatItsBytesDoNotHold) {
    const ColourAt colour = [](int32_t x, int32_t y) { return RGB(x, y, 200); };
    const ByteString file = fixtures::MakeBmp24(4, 3, colour);  // 54 + 3 rows of 12 bytes
    const ByteString indexed = fixtures::MakeBmp8(4, 2, {RGB(1, 2, 3), RGB(4, 5, 6)}, {0, 1, 0, 1, 1, 0, 1, 0});
    // Whole pictures, every row present, one pixel wider than the limit and one more: their low
    // 16 bits would make 0 and 1.
    auto wholeWide = [](int32_t width) {
        新位图操作类 wide;
        return wide.Create(width, 1, 1) ? wide.ToBmpBytes() : ByteString();
    };
    const struct {
        const char* name;
        ByteString bytes;
    } cases[] = {
        {"no bytes", {}},
        {"exactly 54 bytes", Cut(file, 54)},
        {"55 bytes for a 4 x 3 picture", Cut(file, 55)},
        {"one byte short", Cut(file, file.size() - 1)},
        {"the last row missing", Cut(file, file.size() - 12)},
        {"a row more than it holds", Patched(file, 22, 4)},
        {"4000 x 4000 over 36 bytes of rows", Patched(Patched(file, 18, 4000), 22, 4000)},
        {"32 bits over 24-bit rows", Patched(file, 28, 32, 2)},
        {"a width of 65536 + 4", Patched(file, 18, 65536 + 4)},
        {"a height of 65536 + 3", Patched(file, 22, 65536 + 3)},
        {"a width of 2^31 + 4", Patched(file, 18, 0x80000004u)},
        {"a whole picture 65536 wide", wholeWide(65536)},
        {"a whole picture 65537 wide", wholeWide(65537)},
        {"top-down rows", Patched(file, 22, static_cast<uint32_t>(-3))},
        {"a width of 0", Patched(file, 18, 0)},
        {"15 bits", Patched(file, 28, 15, 2)},
        {"0 bits", Patched(file, 28, 0, 2)},
        {"RLE rows", Patched(indexed, 30, BI_RLE8)},
        {"bit fields", Patched(Patched(file, 28, 32, 2), 30, BI_BITFIELDS)},
        {"two planes", Patched(file, 26, 2, 2)},
        {"a 12-byte core header", Patched(file, 14, 12)},
        {"an info header past the end", Patched(file, 14, 0x7FFFFFF0u)},
        {"rows offset past the end", Patched(file, 10, static_cast<uint32_t>(file.size()))},
        {"rows offset inside the info header", Patched(file, 10, 30)},
        {"rows offset over the colour table", Patched(indexed, 10, 54 + 4)},
        {"300 colours in an 8-bit table", Patched(indexed, 46, 300)},
        {"a colour table past the rows offset", Patched(indexed, 46, 256)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(2, 2, 24));
        EXPECT_FALSE(bitmap.LoadFromBmpBytes(c.bytes));
        ExpectEmpty(bitmap);
    }
}

TEST(BitmapBytes, GetPixelBytesGivesTheRowsWithTheLatestWrites) {
    for (bool direct : {true, false}) {
        for (int32_t bitDepth : {24, 32}) {
            SCOPED_TRACE(testing::Message() << (direct ? "direct " : "GDI ") << bitDepth << " bits");
            新位图操作类 bitmap;
            bitmap.SetDirectPixelAccess(direct);
            ASSERT_TRUE(bitmap.Create(3, 2, bitDepth));
            ASSERT_TRUE(bitmap.SetPixel(1, 0, RGB(10, 20, 30)));
            ASSERT_TRUE(bitmap.SetPixel(2, 1, RGB(40, 50, 60)));
            const ByteString rows = bitmap.GetPixelBytes();
            const size_t bytesPerPixel = bitDepth / 8, stride = 12;  // 9 or 12 bytes, padded to 12
            ASSERT_EQ(rows.size(), 2 * stride);
            // The top row is stored last.
            const size_t top = stride + bytesPerPixel, bottom = 2 * bytesPerPixel;
            EXPECT_EQ(ByteString(rows.begin() + top, rows.begin() + top + 3), (ByteString{30, 20, 10}));
            EXPECT_EQ(ByteString(rows.begin() + bottom, rows.begin() + bottom + 3), (ByteString{60, 50, 40}));
            EXPECT_EQ(std::memcmp(bitmap.GetPixelDataPointer(), rows.data(), rows.size()), 0)
                << "the byte copy itself was brought up to date";
            const ByteString image = bitmap.ToBmpBytes();
            EXPECT_EQ(ByteString(image.end() - static_cast<ptrdiff_t>(rows.size()), image.end()), rows);
        }
    }
    新位图操作类 empty;
    EXPECT_TRUE(empty.GetPixelBytes().empty());
}

TEST(BitmapBytes, FileHeaderToBytesWritesFiveLittleEndianFields) {
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfSize = 0x04030201;
    header.bfReserved1 = 0x1112;
    header.bfReserved2 = 0x2122;
    header.bfOffBits = 0x31323334;
    const ByteString expected = {'B', 'M', 0x01, 0x02, 0x03, 0x04, 0x12, 0x11, 0x22, 0x21, 0x34, 0x33, 0x32, 0x31};
    EXPECT_EQ(新位图操作类::FileHeaderToBytes(header), expected);
}

TEST(BitmapBytes, TheInfoPointerAndTheHandleFiguresDescribeThePicture) {
    const struct {
        int32_t width, height, bitDepth;
    } cases[] = {{7, 5, 16}, {3, 9, 8}, {1, 1, 1}, {6, 2, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.bitDepth);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(c.width, c.height, c.bitDepth));
        const BITMAPINFO* info = bitmap.GetInfoPointer();
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->bmiHeader.biSize, 40u);
        EXPECT_EQ(info->bmiHeader.biWidth, c.width);
        EXPECT_EQ(info->bmiHeader.biHeight, c.height);
        EXPECT_EQ(info->bmiHeader.biBitCount, c.bitDepth);
        EXPECT_EQ(reinterpret_cast<const uint8_t*>(info) + 40 + bitmap.GetPaletteSize(), bitmap.GetPixelDataPointer());
        if (c.bitDepth == 8) {
            EXPECT_EQ(info->bmiColors[7].rgbRed, 192);  // silver in the default table
            EXPECT_EQ(info->bmiColors[9].rgbBlue, 240);
        }
        EXPECT_EQ(bitmap.GetHandleWidth(), c.width);
        EXPECT_EQ(bitmap.GetHandleHeight(), c.height);
        EXPECT_EQ(bitmap.GetHandleBitDepth(), c.bitDepth);
    }
    新位图操作类 empty;
    EXPECT_EQ(empty.GetInfoPointer(), nullptr);
    EXPECT_EQ(empty.GetHandleWidth(), 0);
    EXPECT_EQ(empty.GetHandleHeight(), 0);
    EXPECT_EQ(empty.GetHandleBitDepth(), 0);
}

}  // namespace
