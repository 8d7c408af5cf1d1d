// Copying pictures into another depth, onto other bitmap objects and onto windows.
#include "PaintedWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace {

using fixtures::ColourAt;
using fixtures::CountWrongPixels;
using fixtures::DecodedPixels;
using fixtures::FillRandomly;
using fixtures::PaintedWindow;

TEST(BitmapDrawing, ConvertBitDepthKeepsTheColoursAndTakesTheNewLayout) {
    const struct {
        int32_t width, height, from, to;
        bool keepsColours;
    } cases[] = {
        {5, 3, 32, 24, true}, {4, 2, 32, 24, true}, {7, 2, 24, 32, true},
        {3, 3, 24, 16, false}, {6, 4, 24, 8, false}, {9, 1, 32, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " from " << c.from << " to " << c.to);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(c.width, c.height, c.from));
        const std::vector<COLORREF> before = FillRandomly(bitmap, 5);
        ASSERT_TRUE(bitmap.ConvertBitDepth(c.to));
        EXPECT_EQ(bitmap.GetBitDepth(), c.to);
        EXPECT_EQ(bitmap.GetHandleBitDepth(), c.to);
        EXPECT_EQ(bitmap.GetWidth(), c.width);
        EXPECT_EQ(bitmap.GetHeight(), c.height);
        EXPECT_EQ(bitmap.GetStride(), ((c.to * c.width + 31) >> 5) * 4);
        EXPECT_EQ(bitmap.ToBmpBytes().size(),
                  static_cast<size_t>(54 + bitmap.GetPaletteSize() + bitmap.GetStride() * c.height));
        if (c.keepsColours) {
            EXPECT_EQ(CountWrongPixels(bitmap, before), 0);
            EXPECT_EQ(DecodedPixels(bitmap.ToBmpBytes()), before) << "the byte copy holds the converted rows";
        }
    }
}

TEST(BitmapDrawing, ConvertBitDepthThatCannotConvertKeepsThePicture) {
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(4, 3, 32));
    const std::vector<COLORREF> before = FillRandomly(bitmap, 8);
    const ByteString image = bitmap.ToBmpBytes();
    for (int32_t bitDepth : {15, 0, -24, 64}) {
        SCOPED_TRACE(bitDepth);
        EXPECT_FALSE(bitmap.ConvertBitDepth(bitDepth));
        EXPECT_EQ(bitmap.ToBmpBytes(), image);
        EXPECT_EQ(CountWrongPixels(bitmap, before), 0);
    }
    新位图操作类 empty;
    EXPECT_FALSE(empty.ConvertBitDepth(24));
    EXPECT_EQ(empty.GetWidth(), 0);
}

TEST(BitmapDrawing, DrawOntoWithNoOptionalArgumentsCopiesTheWholePictureAndItsBytes) {
    for (int32_t bitDepth : {24, 32, 8}) {
        SCOPED_TRACE(bitDepth);
        新位图操作类 source;
        ASSERT_TRUE(source.Create(6, 4, bitDepth));
        const std::vector<COLORREF> colours = FillRandomly(source, 3);
        新位图操作类 target;
        ASSERT_TRUE(target.Create(6, 4, bitDepth));
        ASSERT_TRUE(source.DrawOnto(target));
        // Before any read of the target, which would refresh its byte copy itself.
        const ByteString sourceRows = source.GetPixelBytes();
        ASSERT_EQ(static_cast<size_t>(target.GetPixelDataSize()), sourceRows.size());
        EXPECT_EQ(std::memcmp(target.GetPixelDataPointer(), sourceRows.data(), sourceRows.size()), 0);
        EXPECT_EQ(CountWrongPixels(target, colours), 0);
        EXPECT_EQ(target.UsesDirectPixelAccess(), bitDepth != 8) << "the target's pixels stay on the fast path";
    }
}

TEST(BitmapDrawing, DrawOntoCopiesTheRectangleItIsGiven) {
    const COLORREF background = RGB(9, 99, 199);
    const struct {
        const char* name;
        int32_t sourceX, sourceY;
        std::optional<int32_t> width, height;
        int32_t targetX, targetY;
    } cases[] = {
        // The extent is the width and height alone, not widened by the target point.
        {"a 2 x 2 block to (3, 3)", 1, 1, 2, 2, 3, 3},
        {"a width alone, the height of the source", 0, 0, 3, std::nullopt, 0, 0},
        {"a height alone, the width of the source", 0, 2, std::nullopt, 1, 1, 6},
        {"the whole source past the target's corner", 0, 0, std::nullopt, std::nullopt, 5, 6},
        {"a rectangle from the source's far corner", 3, 2, 3, 2, 0, 0},
        {"nothing at all", 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 source;
        ASSERT_TRUE(source.Create(6, 4, 24));
        const std::vector<COLORREF> colours = FillRandomly(source, 17);
        新位图操作类 target;
        ASSERT_TRUE(target.Create(8, 8, 24));
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) target.SetPixel(x, y, background);
        }
        ASSERT_TRUE(source.DrawOnto(target, c.sourceX, c.sourceY, c.width, c.height, c.targetX, c.targetY));
        const int32_t width = c.width.value_or(6), height = c.height.value_or(4);
        std::vector<COLORREF> expected;
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                const int32_t fromX = x - c.targetX + c.sourceX, fromY = y - c.targetY + c.sourceY;
                const bool inside = x >= c.targetX && x < c.targetX + width && y >= c.targetY && y < c.targetY + height;
                expected.push_back(inside ? colours[static_cast<size_t>(fromY * 6 + fromX)] : background);
            }
        }
        EXPECT_EQ(CountWrongPixels(target, expected), 0);
        EXPECT_EQ(DecodedPixels(target.ToBmpBytes()), expected);
    }
}

TEST(BitmapDrawing, DrawOntoNeedsTwoPictures) {
    新位图操作类 picture, empty;
    ASSERT_TRUE(picture.Create(2, 2, 24));
    EXPECT_FALSE(empty.DrawOnto(picture));
    EXPECT_FALSE(picture.DrawOnto(empty));
    EXPECT_EQ(empty.GetWidth(), 0);
}

TEST(BitmapDrawing, AConvertedPictureIsOnTheFastPathAgain) {
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(4, 3, 32));
    ASSERT_NE(bitmap.GetMemoryDc(), nullptr);
    ASSERT_FALSE(bitmap.UsesDirectPixelAccess());
    ASSERT_TRUE(bitmap.ConvertBitDepth(24));
    EXPECT_TRUE(bitmap.UsesDirectPixelAccess()) << "the handed-out DC went with the old section";
}

TEST(BitmapDrawing, DrawToWindowPaintsThePictureAtTheClientAreasCorner) {
    const ColourAt behind = [](int32_t x, int32_t y) { return RGB(20 + x, 40 + y, 60); };
    for (int32_t bitDepth : {24, 32, 8}) {
        SCOPED_TRACE(bitDepth);
        PaintedWindow window(400, 300, 50, 40, WS_POPUP, behind, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
        ASSERT_NE(window.Get(), nullptr);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(20, 10, bitDepth));
        const std::vector<COLORREF> colours = FillRandomly(bitmap, 9);
        ASSERT_TRUE(bitmap.DrawToWindow(window.Get()));
        HDC dc = GetDC(window.Get());
        int wrong = 0;
        for (int32_t y = 0; y < 40; ++y) {
            for (int32_t x = 0; x < 50; ++x) {
                const COLORREF expected =
                    x < 20 && y < 10 ? colours[static_cast<size_t>(y * 20 + x)] : behind(x, y);
                wrong += ::GetPixel(dc, x, y) != expected ? 1 : 0;
            }
        }
        ReleaseDC(window.Get(), dc);
        EXPECT_EQ(wrong, 0);
    }
    HWND gone = nullptr;
    {
        PaintedWindow destroyed(400, 300, 10, 10, WS_POPUP, behind);
        gone = destroyed.Get();
    }
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(2, 2, 24));
    EXPECT_FALSE(bitmap.DrawToWindow(gone));
    新位图操作类 empty;
    PaintedWindow window(400, 300, 10, 10, WS_POPUP, behind);
    EXPECT_FALSE(empty.DrawToWindow(window.Get()));
}

}  // namespace
