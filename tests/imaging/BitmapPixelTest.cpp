// Single-pixel access: GDI's answers, the direct path's equality with them, and the lazily
// refreshed byte copy.
#include "BitmapFixtures.h"

#include "imaging/decode/PictureDecoder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using fixtures::Le32;

// Both ways through every test that does not compare them.
const bool kPaths[] = {true, false};

const char* PathName(bool direct) { return direct ? "direct" : "GDI"; }

TEST(BitmapPixels, SetPixelThenToBmpBytesStoresTheTopRowLast) {
    for (bool direct : kPaths) {
        SCOPED_TRACE(PathName(direct));
        新位图操作类 bitmap;
        bitmap.SetDirectPixelAccess(direct);
        ASSERT_TRUE(bitmap.Create(3, 2, 24));
        ASSERT_TRUE(bitmap.SetPixel(0, 0, RGB(10, 20, 30)));
        ASSERT_TRUE(bitmap.SetPixel(2, 1, RGB(40, 50, 60)));
        const ByteString image = bitmap.ToBmpBytes();
        ASSERT_EQ(image.size(), 78u);
        const size_t topRow = 54 + 12, bottomRow = 54;
        EXPECT_EQ(ByteString(image.begin() + topRow, image.begin() + topRow + 3), (ByteString{30, 20, 10}));
        EXPECT_EQ(ByteString(image.begin() + bottomRow + 6, image.begin() + bottomRow + 9), (ByteString{60, 50, 40}));
        EXPECT_EQ(image[topRow + 9], 0) << "row padding stays zero";
    }
}

TEST(BitmapPixels, AFailedSetPixelKeepsTheEarlierWrite) {
    const POINT outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT32_MAX, 0}, {INT32_MIN, INT32_MIN}};
    for (bool direct : kPaths) {
        for (POINT p : outside) {
            SCOPED_TRACE(testing::Message() << PathName(direct) << " (" << p.x << ", " << p.y << ")");
            新位图操作类 bitmap;
            bitmap.SetDirectPixelAccess(direct);
            ASSERT_TRUE(bitmap.Create(3, 2, 24));
            ASSERT_TRUE(bitmap.SetPixel(1, 0, RGB(200, 100, 50)));
            EXPECT_FALSE(bitmap.SetPixel(p.x, p.y, RGB(1, 1, 1)));
            const ByteString image = bitmap.ToBmpBytes();
            EXPECT_EQ(ByteString(image.begin() + 66 + 3, image.begin() + 66 + 6), (ByteString{50, 100, 200}));
            EXPECT_EQ(bitmap.GetPixel(1, 0), RGB(200, 100, 50));
        }
    }
}

TEST(BitmapPixels, GetPixelOutsideTheBitmapIsInvalidAtEveryDepth) {
    for (bool direct : kPaths) {
        for (int32_t bitDepth : {1, 4, 8, 16, 24, 32}) {
            SCOPED_TRACE(testing::Message() << PathName(direct) << " " << bitDepth << " bits");
            新位图操作类 bitmap;
            bitmap.SetDirectPixelAccess(direct);
            ASSERT_TRUE(bitmap.Create(4, 3, bitDepth));
            const POINT outside[] = {{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {4, 3}, {-1, -1}};
            for (POINT p : outside) EXPECT_EQ(bitmap.GetPixel(p.x, p.y), CLR_INVALID) << p.x << ", " << p.y;
            EXPECT_EQ(bitmap.GetPixel(3, 2), RGB(0, 0, 0));
        }
    }
}

TEST(BitmapPixels, TheByteCopyCatchesUpAtTheNextReadNotAtEachWrite) {
    for (bool direct : kPaths) {
        SCOPED_TRACE(PathName(direct));
        新位图操作类 bitmap;
        bitmap.SetDirectPixelAccess(direct);
        ASSERT_TRUE(bitmap.Create(2, 1, 32));
        const uint8_t* row = bitmap.GetPixelDataPointer();
        ASSERT_TRUE(bitmap.SetPixel(1, 0, RGB(7, 8, 9)));
        EXPECT_EQ(row[4], 0) << "the copy is refreshed lazily";
        EXPECT_EQ(bitmap.GetPixel(0, 0), RGB(0, 0, 0));
        EXPECT_EQ(ByteString(row + 4, row + 7), (ByteString{9, 8, 7})) << "GetPixel refreshed it";

        ASSERT_TRUE(bitmap.SetPixel(0, 0, RGB(1, 2, 3)));
        EXPECT_EQ(row[0], 0);
        EXPECT_TRUE(bitmap.RefreshBytes());
        EXPECT_EQ(ByteString(row, row + 3), (ByteString{3, 2, 1})) << "RefreshBytes copies unconditionally";
    }
}

// Two objects holding the same picture, one on each path.
struct PathPair {
    新位图操作类 direct;
    新位图操作类 gdi;
    PathPair() { gdi.SetDirectPixelAccess(false); }
};

struct SourceCase {
    const char* name;
    int32_t width, height, sectionDepth, loadDepth;
};

// Odd widths give padded rows; the 32-bit sources carry random fourth bytes.
const SourceCase kSources[] = {
    {"24-bit 7x5", 7, 5, 24, 0},   {"32-bit 6x4", 6, 4, 32, 0},   {"32-bit as 24", 5, 3, 32, 24},
    {"24-bit as 32", 9, 2, 24, 32}, {"32-bit 1x1", 1, 1, 32, 0},  {"8-bit stays on GDI", 5, 4, 24, 8},
    {"16-bit stays on GDI", 3, 3, 24, 16},
};

void ExpectSameReads(PathPair& pair) {
    const int32_t width = pair.gdi.GetWidth(), height = pair.gdi.GetHeight();
    for (int32_t y = -1; y <= height; ++y) {
        for (int32_t x = -1; x <= width; ++x) {
            ASSERT_EQ(pair.direct.GetPixel(x, y), pair.gdi.GetPixel(x, y)) << "at " << x << ", " << y;
        }
    }
}

TEST(BitmapPixels, DirectAccessGivesWhatGdiGivesOnEveryPixel) {
    for (const SourceCase& c : kSources) {
        SCOPED_TRACE(c.name);
        GdiObjectHandle source(fixtures::MakeRandomSection(c.width, c.height, c.sectionDepth, 1234));
        ASSERT_NE(source.Get(), nullptr);
        PathPair pair;
        ASSERT_TRUE(pair.direct.LoadFromHandle(static_cast<HBITMAP>(source.Get()), c.loadDepth));
        ASSERT_TRUE(pair.gdi.LoadFromHandle(static_cast<HBITMAP>(source.Get()), c.loadDepth));
        ASSERT_EQ(pair.direct.ToBmpBytes(), pair.gdi.ToBmpBytes());
        const int32_t depth = pair.direct.GetBitDepth();
        EXPECT_EQ(pair.direct.UsesDirectPixelAccess(), depth == 24 || depth == 32);
        EXPECT_FALSE(pair.gdi.UsesDirectPixelAccess());
        ExpectSameReads(pair);

        // Plain colours, and the kinds GDI resolves itself: palette index, palette-relative,
        // DIB index, invalid.
        uint32_t state = 99;
        const COLORREF special[] = {0x01000005, 0x02123456, 0x10000003, CLR_INVALID, 0x00FFFFFF, 0};
        for (int32_t y = -1; y <= c.height; ++y) {
            for (int32_t x = -1; x <= c.width; ++x) {
                const COLORREF colour =
                    (x + y) % 5 == 0 ? special[((x + 1) * 7 + y + 1) % 6] : fixtures::RandomColour(state);
                ASSERT_EQ(pair.direct.SetPixel(x, y, colour), pair.gdi.SetPixel(x, y, colour))
                    << "at " << x << ", " << y << " colour " << std::hex << colour;
            }
        }
        EXPECT_EQ(pair.direct.ToBmpBytes(), pair.gdi.ToBmpBytes()) << "written bytes, fourth bytes included";
        ExpectSameReads(pair);
    }
}

TEST(BitmapPixels, AnIndependentReaderSeesThePixelsOfToBmpBytes) {
    // Not 16 bits: readers differ in how they widen 5-bit channels to 8.
    for (bool direct : kPaths) {
        for (int32_t bitDepth : {1, 4, 8, 24, 32}) {
            SCOPED_TRACE(testing::Message() << PathName(direct) << " " << bitDepth << " bits");
            新位图操作类 bitmap;
            bitmap.SetDirectPixelAccess(direct);
            ASSERT_TRUE(bitmap.Create(5, 3, bitDepth));
            uint32_t state = 7;
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t x = 0; x < 5; ++x) ASSERT_TRUE(bitmap.SetPixel(x, y, fixtures::RandomColour(state)));
            }
            const ByteString image = bitmap.ToBmpBytes();
            const imaging::DecodedPicture decoded = imaging::DecodePicture(image.data(), image.size());
            ASSERT_EQ(decoded.status, imaging::DecodeStatus::Ok);
            ASSERT_EQ(decoded.width, 5u);
            ASSERT_EQ(decoded.height, 3u);
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t x = 0; x < 5; ++x) {
                    const uint8_t* bgra = &decoded.bgra[4 * (y * 5 + x)];
                    // What was stored is what GDI reads back (indexed depths keep the nearest entry).
                    EXPECT_EQ(RGB(bgra[2], bgra[1], bgra[0]), bitmap.GetPixel(x, y)) << "at " << x << ", " << y;
                }
            }
        }
    }
}

}  // namespace
