// Blank pictures, the byte copy's layout, the colour tables, and the BMP file image.
#include "BitmapFixtures.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using fixtures::Le16;
using fixtures::Le32;

struct LayoutCase {
    int32_t width, height, bitDepth;
    int32_t stride;
    size_t packedSize;
    uint32_t offBits;
    uint32_t fileSize;
};

// Expected figures worked out by hand from the BMP layout.
const LayoutCase kLayouts[] = {
    {1, 1, 24, 4, 44, 54, 58},
    {3, 2, 24, 12, 64, 54, 78},
    {10, 10, 8, 12, 1184, 1078, 1198},
    {1, 1, 1, 4, 52, 62, 66},
    {5, 1, 4, 4, 108, 118, 122},
    {2, 2, 32, 8, 56, 54, 70},
    {3, 1, 16, 8, 48, 54, 62},
    {33, 2, 1, 8, 64, 62, 78},
};

TEST(BitmapLayout, CreateGivesTheHeaderStrideSizesAndBlackRows) {
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bitDepth);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(c.width, c.height, c.bitDepth));
        EXPECT_EQ(bitmap.GetWidth(), c.width);
        EXPECT_EQ(bitmap.GetHeight(), c.height);
        EXPECT_EQ(bitmap.GetBitDepth(), c.bitDepth);
        EXPECT_EQ(bitmap.GetStride(), c.stride);
        EXPECT_EQ(bitmap.GetPixelDataSize(), c.stride * c.height);
        EXPECT_EQ(static_cast<uint32_t>(40 + bitmap.GetPaletteSize() + 14), c.offBits);
        if (c.bitDepth >= 16) {
            EXPECT_EQ(bitmap.GetPalettePointer(), nullptr);
        } else {
            ASSERT_NE(bitmap.GetPalettePointer(), nullptr);
            EXPECT_EQ(bitmap.GetPixelDataPointer() - bitmap.GetPalettePointer(), bitmap.GetPaletteSize());
        }
        EXPECT_EQ(bitmap.GetPixel(0, 0), RGB(0, 0, 0));
        EXPECT_EQ(bitmap.GetPixel(c.width - 1, c.height - 1), RGB(0, 0, 0));

        const ByteString image = bitmap.ToBmpBytes();
        ASSERT_EQ(image.size(), c.fileSize);
        EXPECT_EQ(image.size(), 14 + c.packedSize);
        EXPECT_EQ(image[0], 'B');
        EXPECT_EQ(image[1], 'M');
        EXPECT_EQ(Le32(image, 2), c.fileSize);
        EXPECT_EQ(Le32(image, 6), 0u);
        EXPECT_EQ(Le32(image, 10), c.offBits);
        const uint32_t header[] = {40, static_cast<uint32_t>(c.width), static_cast<uint32_t>(c.height)};
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Le32(image, 14 + 4 * i), header[i]);
        EXPECT_EQ(Le16(image, 26), 1u);
        EXPECT_EQ(Le16(image, 28), c.bitDepth);
        for (size_t at = 30; at < 54; at += 4) EXPECT_EQ(Le32(image, at), 0u) << "header byte " << at;
        for (size_t at = c.offBits; at < image.size(); ++at) ASSERT_EQ(image[at], 0) << "pixel byte " << at;
    }
}

// The default tables as (red, green, blue), written out from their definition.
std::vector<COLORREF> DefaultTable(int32_t bitDepth) {
    if (bitDepth == 1) return {RGB(0, 0, 0), RGB(255, 255, 255)};
    const std::vector<COLORREF> sixteen = {
        RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),   RGB(128, 128, 0), RGB(0, 0, 128),
        RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 0, 0),
        RGB(0, 255, 0),     RGB(255, 255, 0),   RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 255, 255),
        RGB(255, 255, 255)};
    if (bitDepth == 4) return sixteen;
    std::vector<COLORREF> table = {RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),
                                   RGB(128, 128, 0), RGB(0, 0, 128),   RGB(128, 0, 128),
                                   RGB(0, 128, 128), RGB(192, 192, 192), RGB(192, 220, 192),
                                   RGB(166, 202, 240)};
    for (int i = 10; i <= 245; ++i) table.push_back(RGB(32 * (i % 8), 32 * ((i / 8) % 8), 64 * (i / 64)));
    for (COLORREF c : {RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),
                       RGB(0, 255, 0), RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 0, 255), RGB(0, 255, 255),
                       RGB(255, 255, 255)}) {
        table.push_back(c);
    }
    return table;
}

TEST(BitmapLayout, IndexedPicturesCarryTheDefaultColourTable) {
    for (int32_t bitDepth : {1, 4, 8}) {
        SCOPED_TRACE(bitDepth);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 2, bitDepth));
        const std::vector<COLORREF> expected = DefaultTable(bitDepth);
        ASSERT_EQ(static_cast<size_t>(bitmap.GetPaletteSize()), 4 * expected.size());
        const ByteString image = bitmap.ToBmpBytes();
        for (size_t i = 0; i < expected.size(); ++i) {
            const size_t at = 54 + 4 * i;
            EXPECT_EQ(RGB(image[at + 2], image[at + 1], image[at]), expected[i]) << "entry " << i;
            EXPECT_EQ(image[at + 3], 0) << "entry " << i;
        }
        EXPECT_EQ(std::memcmp(bitmap.GetPalettePointer(), image.data() + 54, expected.size() * 4), 0);
    }
}

TEST(BitmapLayout, BuildHeaderRefusesAndLeavesTheBytesAsTheyWere) {
    struct Refusal {
        const char* why;
        int32_t width, height, bitDepth;
    };
    const Refusal refusals[] = {
        {"depth 15", 2, 2, 15}, {"depth 0", 2, 2, 0},         {"depth 2", 2, 2, 2},
        {"depth 64", 2, 2, 64}, {"negative width", -1, 2, 24}, {"negative height", 2, -2, 24},
        // 40 GB of rows: beyond what the int32 size queries can describe.
        {"too large", 100000, 100000, 32},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.why);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 2, 24));
        ASSERT_TRUE(bitmap.SetPixel(1, 1, RGB(1, 2, 3)));
        const ByteString before = bitmap.ToBmpBytes();
        EXPECT_FALSE(bitmap.BuildHeader(r.width, r.height, r.bitDepth));
        EXPECT_EQ(bitmap.ToBmpBytes(), before);
        EXPECT_EQ(bitmap.GetPixel(1, 1), RGB(1, 2, 3));
    }
}

TEST(BitmapLayout, CreateThatCannotMakeThePictureReportsFailureAndLeavesItEmpty) {
    struct Refusal {
        const char* why;
        int32_t width, height, bitDepth;
    };
    const Refusal refusals[] = {
        {"depth 15", 2, 2, 15}, {"zero width", 0, 2, 24}, {"zero height", 2, 0, 24},
        {"negative height", 2, -2, 24}, {"too large", 100000, 100000, 32},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.why);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 2, 24));
        EXPECT_FALSE(bitmap.Create(r.width, r.height, r.bitDepth));
        EXPECT_EQ(bitmap.GetWidth(), 0);
        EXPECT_EQ(bitmap.GetHeight(), 0);
        EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u);
        EXPECT_EQ(bitmap.GetPixel(0, 0), CLR_INVALID);
        EXPECT_FALSE(bitmap.SetPixel(0, 0, RGB(1, 2, 3)));
    }
}

TEST(BitmapLayout, AnEmptyObjectAnswersZeroAndGivesTheFileHeaderAlone) {
    新位图操作类 fresh;
    新位图操作类 cleared;
    ASSERT_TRUE(cleared.Create(4, 4, 32));
    cleared.Clear();
    for (新位图操作类* bitmap : {&fresh, &cleared}) {
        EXPECT_EQ(bitmap->GetWidth(), 0);
        EXPECT_EQ(bitmap->GetHeight(), 0);
        EXPECT_EQ(bitmap->GetBitDepth(), 0);
        EXPECT_EQ(bitmap->GetStride(), 0);
        EXPECT_EQ(bitmap->GetPixelDataSize(), 0);
        EXPECT_EQ(bitmap->GetPaletteSize(), 0);
        EXPECT_EQ(bitmap->GetPixelDataPointer(), nullptr);
        EXPECT_EQ(bitmap->GetPalettePointer(), nullptr);
        EXPECT_FALSE(bitmap->RefreshBytes());
        EXPECT_EQ(bitmap->GetPixel(0, 0), CLR_INVALID);
        EXPECT_FALSE(bitmap->SetPixel(0, 0, 0));
        const ByteString expected = {'B', 'M', 14, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
        EXPECT_EQ(bitmap->ToBmpBytes(), expected);
    }
}

TEST(BitmapLayout, RowBytesRoundsBitsUpToWholeDoubleWords) {
    const struct {
        int32_t bits, bytes;
    } cases[] = {{0, 0}, {1, 4}, {24, 4}, {32, 4}, {33, 8}, {72, 12}, {3 * 24, 12}, {-1, 0}, {-33, -4}};
    for (const auto& c : cases) EXPECT_EQ(新位图操作类::RowBytes(c.bits), c.bytes) << c.bits << " bits";
}

TEST(BitmapLayout, ColourCountFollowsTheHeadersBitDepth) {
    const struct {
        uint16_t bitDepth;
        int32_t count;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {16, 0}, {24, 0}, {32, 0}, {0, 0}, {2, 0}};
    for (const auto& c : cases) {
        ByteString header(40, 0);
        header[14] = static_cast<uint8_t>(c.bitDepth);
        EXPECT_EQ(新位图操作类::ColourCount(header), c.count) << c.bitDepth << " bits";
    }
    EXPECT_EQ(新位图操作类::ColourCount(ByteString(15, 8)), 0) << "a header too short to hold the depth";
}

TEST(BitmapLayout, InfoHeaderToBytesWritesElevenLittleEndianFields) {
    BITMAPINFOHEADER header = {};
    header.biSize = 0x04030201;
    header.biWidth = -2;
    header.biHeight = 0x0A0B0C0D;
    header.biPlanes = 0x1112;
    header.biBitCount = 0x2122;
    header.biCompression = 0x31323334;
    header.biSizeImage = 0x41424344;
    header.biXPelsPerMeter = 0x51525354;
    header.biYPelsPerMeter = 0x61626364;
    header.biClrUsed = 0x71727374;
    header.biClrImportant = 0x01020304;
    const ByteString expected = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x0D, 0x0C, 0x0B, 0x0A,
                                 0x12, 0x11, 0x22, 0x21, 0x34, 0x33, 0x32, 0x31, 0x44, 0x43, 0x42, 0x41,
                                 0x54, 0x53, 0x52, 0x51, 0x64, 0x63, 0x62, 0x61, 0x74, 0x73, 0x72, 0x71,
                                 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(新位图操作类::InfoHeaderToBytes(header), expected);
}

TEST(BitmapLayout, CreateReplacesThePreviousPicture) {
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(8, 8, 8));
    ASSERT_TRUE(bitmap.SetPixel(7, 7, RGB(255, 255, 255)));
    ASSERT_TRUE(bitmap.Create(2, 3, 24));
    EXPECT_EQ(bitmap.GetWidth(), 2);
    EXPECT_EQ(bitmap.GetHeight(), 3);
    EXPECT_EQ(bitmap.GetPaletteSize(), 0);
    EXPECT_EQ(bitmap.GetPixel(1, 2), RGB(0, 0, 0));
    EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u + 40 + 8 * 3);
}

}  // namespace
