// Pixel access that stays exact once the memory DC or the section's handle is in a caller's
// hands, and taking over a caller's section.
#include "BitmapFixtures.h"

#include <gtest/gtest.h>

namespace {

using fixtures::DecodedPixels;
using fixtures::FillRandomly;
using fixtures::Patched;

// Each way a caller reaches the section once it holds the DC or the handle, with what every
// pixel must read afterwards. The picture starts 4 x 3 and black with (0, 0) written through
// SetPixel, so the object has writes of its own in flight.
struct HandOut {
    const char* name;
    void (*draw)(新位图操作类& bitmap);
    COLORREF (*expected)(int32_t x, int32_t y);
};

const COLORREF kOwnWrite = RGB(1, 2, 3);
const COLORREF kDrawn = RGB(200, 100, 50);

COLORREF OwnWriteOnly(int32_t x, int32_t y) { return x == 0 && y == 0 ? kOwnWrite : RGB(0, 0, 0); }

const HandOut kHandOuts[] = {
    {"FillRect on the memory DC",
     [](新位图操作类& bitmap) {
         GdiObjectHandle brush(CreateSolidBrush(kDrawn));
         const RECT area = {1, 1, 3, 3};
         FillRect(bitmap.GetMemoryDc(), &area, static_cast<HBRUSH>(brush.Get()));
     },
     [](int32_t x, int32_t y) { return x >= 1 && x < 3 && y >= 1 ? kDrawn : OwnWriteOnly(x, y); }},
    {"PatBlt over the object's own write",
     [](新位图操作类& bitmap) {
         HDC dc = bitmap.GetMemoryDc();
         PatBlt(dc, 0, 0, 2, 1, WHITENESS);
     },
     [](int32_t x, int32_t y) { return y == 0 && x < 2 ? RGB(255, 255, 255) : OwnWriteOnly(x, y); }},
    {"SetPixel by the object after the caller drew",
     [](新位图操作类& bitmap) {
         PatBlt(bitmap.GetMemoryDc(), 0, 0, 4, 3, WHITENESS);
         bitmap.SetPixel(3, 2, kDrawn);
     },
     [](int32_t x, int32_t y) { return x == 3 && y == 2 ? kDrawn : RGB(255, 255, 255); }},
    {"SetDIBits through the bitmap handle",
     [](新位图操作类& bitmap) {
         HBITMAP handle = bitmap.GetBitmapHandle();
         BITMAPINFO info = {};
         info.bmiHeader = {sizeof info.bmiHeader, 4, 3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
         const uint32_t row[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};  // red, green, blue, white
         HDC screen = GetDC(nullptr);
         SetDIBits(screen, handle, 0, 1, row, &info, DIB_RGB_COLORS);  // scan line 0: the bottom row
         ReleaseDC(nullptr, screen);
     },
     [](int32_t x, int32_t y) {
         const COLORREF bottom[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
         return y == 2 ? bottom[x] : OwnWriteOnly(x, y);
     }},
};

TEST(BitmapHandOut, WhatACallerDrawsThroughTheHandedOutDcOrHandleReadsBackExactly) {
    for (int32_t bitDepth : {24, 32}) {
        for (bool ownWriteRead : {false, true}) {
            for (const HandOut& h : kHandOuts) {
                SCOPED_TRACE(testing::Message() << h.name << ", " << bitDepth << " bits"
                                                << (ownWriteRead ? ", own write read back first" : ""));
                新位图操作类 bitmap;
                ASSERT_TRUE(bitmap.Create(4, 3, bitDepth));
                ASSERT_TRUE(bitmap.UsesDirectPixelAccess());
                ASSERT_TRUE(bitmap.SetPixel(0, 0, kOwnWrite));
                if (ownWriteRead) {
                    ASSERT_EQ(bitmap.GetPixel(0, 0), kOwnWrite);  // the byte copy is current
                }
                h.draw(bitmap);
                EXPECT_FALSE(bitmap.UsesDirectPixelAccess());
                std::vector<COLORREF> expected;
                for (int32_t y = 0; y < 3; ++y) {
                    for (int32_t x = 0; x < 4; ++x) expected.push_back(h.expected(x, y));
                }
                // The byte copy first, before a read could refresh it: nothing told the object
                // that the caller drew.
                const ByteString image = bitmap.ToBmpBytes();
                EXPECT_EQ(DecodedPixels(image), expected);
                EXPECT_EQ(bitmap.GetPixelBytes(), ByteString(image.begin() + 54, image.end()));
                for (int32_t y = 0; y < 3; ++y) {
                    for (int32_t x = 0; x < 4; ++x) {
                        EXPECT_EQ(bitmap.GetPixel(x, y), h.expected(x, y)) << "at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

TEST(BitmapHandOut, PixelsFollowTheHandedOutDcsMapping) {
    // A caller may move the DC's origin; the object's pixels are then GDI's on that DC.
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(4, 3, 32));
    FillRandomly(bitmap, 21);
    HDC dc = bitmap.GetMemoryDc();
    SetViewportOrgEx(dc, 1, 1, nullptr);
    for (int32_t y = -1; y <= 3; ++y) {
        for (int32_t x = -1; x <= 4; ++x) {
            ASSERT_EQ(bitmap.GetPixel(x, y), ::GetPixel(dc, x, y)) << "at " << x << ", " << y;
        }
    }
    ASSERT_TRUE(bitmap.SetPixel(1, 0, kDrawn));
    EXPECT_EQ(::GetPixel(dc, 1, 0), kDrawn);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(bitmap.GetPixel(2, 1), kDrawn);
}

TEST(BitmapHandOut, ANewPictureIsOnTheFastPathAgain) {
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(4, 3, 32));
    ASSERT_NE(bitmap.GetBitmapHandle(), nullptr);
    ASSERT_FALSE(bitmap.UsesDirectPixelAccess());
    ASSERT_TRUE(bitmap.Create(2, 2, 32));
    EXPECT_TRUE(bitmap.UsesDirectPixelAccess());
    新位图操作类 empty;
    EXPECT_EQ(empty.GetMemoryDc(), nullptr);
    EXPECT_EQ(empty.GetBitmapHandle(), nullptr);
    ASSERT_TRUE(empty.Create(2, 2, 32));
    EXPECT_TRUE(empty.UsesDirectPixelAccess()) << "handing out nothing hands out nothing";
}

// A bottom-up BI_RGB section of the caller's and the packed DIB that describes it, written here.
struct CallerSection {
    HBITMAP handle = nullptr;
    uint8_t* bits = nullptr;
    ByteString packed;
};

CallerSection MakeCallerSection(int32_t width, int32_t height, int32_t bitDepth, uint32_t seed) {
    CallerSection section;
    section.handle = fixtures::MakeRandomSection(width, height, bitDepth, seed);
    DIBSECTION described = {};
    GetObjectA(section.handle, sizeof described, &described);
    section.bits = static_cast<uint8_t*>(described.dsBm.bmBits);
    BITMAPINFOHEADER header = {sizeof header, width, height, 1, static_cast<WORD>(bitDepth), BI_RGB, 0, 0, 0, 0, 0};
    section.packed = 新位图操作类::InfoHeaderToBytes(header);
    const size_t rows = static_cast<size_t>(((width * bitDepth + 31) / 32) * 4) * height;
    section.packed.insert(section.packed.end(), section.bits, section.bits + rows);
    return section;
}

COLORREF SectionPixel(const CallerSection& section, int32_t width, int32_t height, int32_t bitDepth, int32_t x,
                      int32_t y) {
    const int32_t stride = ((width * bitDepth + 31) / 32) * 4;
    const uint8_t* pixel = section.bits + stride * (height - 1 - y) + (bitDepth / 8) * x;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

TEST(BitmapAttach, TheObjectTakesTheSectionOverAndAddressesItsOwnMemory) {
    for (int32_t bitDepth : {24, 32}) {
        SCOPED_TRACE(bitDepth);
        CallerSection section = MakeCallerSection(5, 3, bitDepth, 40);
        ASSERT_NE(section.handle, nullptr);
        {
            新位图操作类 bitmap;
            ASSERT_TRUE(bitmap.Attach(section.handle, section.packed));
            EXPECT_EQ(bitmap.GetWidth(), 5);
            EXPECT_EQ(bitmap.GetHeight(), 3);
            EXPECT_EQ(bitmap.GetBitDepth(), bitDepth);
            EXPECT_EQ(bitmap.GetBitmapHandle(), section.handle);
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t x = 0; x < 5; ++x) {
                    EXPECT_EQ(bitmap.GetPixel(x, y), SectionPixel(section, 5, 3, bitDepth, x, y));
                }
            }
            // The caller still holds the section's memory and writes into it.
            section.bits[0] = 0x11;
            section.bits[1] = 0x22;
            section.bits[2] = 0x33;
            EXPECT_EQ(bitmap.GetPixel(0, 2), RGB(0x33, 0x22, 0x11));
            const ByteString rows = bitmap.GetPixelBytes();
            ASSERT_GE(rows.size(), 3u);
            EXPECT_EQ(ByteString(rows.begin(), rows.begin() + 3), (ByteString{0x11, 0x22, 0x33}));
            ASSERT_TRUE(bitmap.SetPixel(4, 0, RGB(7, 8, 9)));
            EXPECT_EQ(SectionPixel(section, 5, 3, bitDepth, 4, 0), RGB(7, 8, 9)) << "bits is the section's memory";
        }
        EXPECT_EQ(GetObjectType(section.handle), 0u) << "the object deleted the section it owned";
    }
}

TEST(BitmapAttach, ASectionItsBytesDoNotDescribeStaysTheCallers) {
    HDC holder = CreateCompatibleDC(nullptr);
    CallerSection held = MakeCallerSection(5, 3, 24, 2);
    HGDIOBJ previous = SelectObject(holder, held.handle);
    CallerSection plain = MakeCallerSection(5, 3, 24, 3);
    HDC screen = GetDC(nullptr);
    GdiObjectHandle deviceBitmap(CreateCompatibleBitmap(screen, 5, 3));
    ReleaseDC(nullptr, screen);
    GdiObjectHandle brush(CreateSolidBrush(RGB(1, 2, 3)));
    // A top-down section and a packed DIB that says so.
    BITMAPINFO topDownInfo = {};
    topDownInfo.bmiHeader = {sizeof topDownInfo.bmiHeader, 5, -3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* topDownBits = nullptr;
    GdiObjectHandle topDown(CreateDIBSection(nullptr, &topDownInfo, DIB_RGB_COLORS, &topDownBits, nullptr, 0));
    ByteString topDownPacked = Patched(plain.packed, 8, static_cast<uint32_t>(-3));
    ByteString shorter = plain.packed, longer = plain.packed;
    shorter.pop_back();
    longer.push_back(0);
    const struct {
        const char* name;
        HGDIOBJ handle;
        ByteString packed;
    } cases[] = {
        {"a wider picture in the bytes", plain.handle, Patched(plain.packed, 4, 6)},
        {"a taller picture in the bytes", plain.handle, Patched(plain.packed, 8, 4)},
        {"another depth in the bytes", plain.handle, Patched(plain.packed, 14, 32)},
        {"a byte short", plain.handle, shorter},
        {"a byte too many", plain.handle, longer},
        {"a compressed header", plain.handle, Patched(plain.packed, 16, BI_RLE8)},
        {"a colour table in a 24-bit header", plain.handle, Patched(plain.packed, 32, 2)},
        {"the header alone", plain.handle, ByteString(plain.packed.begin(), plain.packed.begin() + 40)},
        {"no bytes", plain.handle, {}},
        {"a top-down section", topDown.Get(), topDownPacked},
        {"a device-dependent bitmap", deviceBitmap.Get(), plain.packed},
        {"a section selected into another DC", held.handle, held.packed},
        {"a brush", brush.Get(), plain.packed},
        {"no handle", nullptr, plain.packed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            新位图操作类 bitmap;
            ASSERT_TRUE(bitmap.Create(2, 2, 24));
            EXPECT_FALSE(bitmap.Attach(static_cast<HBITMAP>(c.handle), c.packed));
            EXPECT_EQ(bitmap.GetWidth(), 0);
            EXPECT_EQ(bitmap.GetBitmapHandle(), nullptr);
        }
        if (c.handle != nullptr) {
            EXPECT_NE(GetObjectType(c.handle), 0u) << "still alive after the object is gone";
        }
    }
    // Neither is selected anywhere but where the caller put it.
    HDC probe = CreateCompatibleDC(nullptr);
    HGDIOBJ probePrevious = SelectObject(probe, plain.handle);
    EXPECT_NE(probePrevious, nullptr);
    SelectObject(probe, probePrevious);
    DeleteDC(probe);
    SelectObject(holder, previous);
    DeleteDC(holder);
    DeleteObject(held.handle);
    DeleteObject(plain.handle);
}
}  // namespace
