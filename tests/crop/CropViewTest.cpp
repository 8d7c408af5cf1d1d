// The crop view component, through the real main window's view 动画框1: sprite operations,
// drawn sizes, the exact pixels of each quarter turn, RenderRegion's bytes and the drawing.
#include "CropViewFixture.h"

#include <cmath>

namespace {
using croptest::BmpBytes;
using croptest::CropViewTest;
using croptest::Le16;
using croptest::Le32;
using croptest::Pump;
using croptest::Px;
using croptest::ReadRendered;
using croptest::Rendered;
using croptest::kWhite;

// A small picture whose every pixel differs from the others.
COLORREF Distinct(int x, int y) { return RGB(10 + 40 * x, 20 + 50 * y, (7 * x + 11 * y) % 256); }

// A 32-bit BMP with an alpha channel (BITMAPV4HEADER with bit fields), top row given first.
std::string Bmp32WithAlpha(int width, int height, const std::function<uint32_t(int x, int y)>& argbAt) {
    std::string bytes;
    auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const uint32_t pixelBytes = uint32_t(width) * height * 4;
    bytes += "BM";
    put(14 + 108 + pixelBytes, 4);
    put(0, 4);
    put(14 + 108, 4);
    put(108, 4);
    put(width, 4);
    put(height, 4);
    put(1, 2);
    put(32, 2);
    put(BI_BITFIELDS, 4);
    put(pixelBytes, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    put(0x00FF0000, 4);
    put(0x0000FF00, 4);
    put(0x000000FF, 4);
    put(0xFF000000, 4);
    put(0x73524742, 4);  // LCS_sRGB
    for (int i = 0; i < 12; ++i) put(0, 4);  // end points and gammas
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) put(argbAt(x, y), 4);
    }
    return bytes;
}

TEST_F(CropViewTest, StartsWithThePlaceholderTurnedByNinetyOnAWhiteBorderlessView) {
    RECT client = {}, outer = {};
    GetClientRect(ViewWindow(), &client);
    GetWindowRect(ViewWindow(), &outer);
    EXPECT_EQ(client.right, 316);
    EXPECT_EQ(client.bottom, 372);
    EXPECT_EQ(outer.right - outer.left, 316);
    EXPECT_EQ(View().BackgroundColor(), RGB(255, 255, 255));

    const CropView::SpriteState sprite = SpriteNow();
    ASSERT_TRUE(sprite.exists);
    EXPECT_EQ(sprite.pictureWidth, 819);
    EXPECT_EQ(sprite.pictureHeight, 460);
    EXPECT_EQ(sprite.angle, 90);
    EXPECT_EQ(sprite.scaleX, 1000);
    EXPECT_EQ(sprite.scaleY, 1000);
    EXPECT_TRUE(sprite.visible);
    EXPECT_EQ(sprite.drawnWidth, 460);
    EXPECT_EQ(sprite.drawnHeight, 819);
    EXPECT_EQ(View().GetSpriteX(Sprite()), 0);
    EXPECT_EQ(View().GetSpriteY(Sprite()), 0);
    EXPECT_EQ(State().zoomPermille, 1000);
    EXPECT_EQ(State().angleDegrees, 90);
    EXPECT_FALSE(State().dragging);

    const std::string placeholder = CropViewPlaceholderBytes();
    EXPECT_EQ(placeholder.substr(0, 3), "\xFF\xD8\xFF");
    // A white picture on white: the whole view is white.
    const Rendered view = RenderAll(RGB(1, 2, 3));
    ASSERT_EQ(view.width, 316);
    for (uint32_t pixel : view.pixels) ASSERT_EQ(pixel, kWhite);
}

TEST_F(CropViewTest, DrawnSizeIsTheTurnedSizeScaledWithHalvesRoundedAway) {
    struct Case {
        int width, height, scale, angle;
        bool drawn;
        int drawnWidth, drawnHeight;
    };
    const Case cases[] = {
        {1000, 800, 250, 0, true, 250, 200},  {819, 460, 1000, 90, true, 460, 819},
        {1000, 800, 250, 270, true, 200, 250}, {1000, 800, 2000, 180, true, 2000, 1600},
        {3, 5, 500, 0, true, 2, 3},            // 1.5 and 2.5 round up
        {7, 9, 100, 0, true, 1, 1},            // 0.7 and 0.9
        {4, 4, 100, 0, false, 0, 0},           // 0.4: no drawn picture
        {100, 100, 1000, 45, true, 141, 141},  // the box around the turned square
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.scale) +
                     ", " + std::to_string(c.angle));
        const int id = View().AddSprite({c.scale, c.scale, c.angle}, 0, 0, true);
        View().SetSpritePicture(id, BmpBytes(c.width, c.height));
        const CropView::SpriteState s = View().State(id);
        EXPECT_EQ(s.drawn, c.drawn);
        EXPECT_EQ(s.drawnWidth, c.drawnWidth);
        EXPECT_EQ(s.drawnHeight, c.drawnHeight);
        View().RemoveSprite(id);
    }
}

TEST_F(CropViewTest, ScaleIsIgnoredWhenNotPositiveOrUnchangedAndKeepsTheTopLeftCorner) {
    const int id = View().AddSprite({1000, 1000, 0}, 0, 0, true);
    View().SetSpritePicture(id, BmpBytes(100, 60));
    View().MoveSprite(id, -7, 9);
    struct Case {
        int scaleX, scaleY;
        int expectX, expectY;
    };
    const Case cases[] = {{500, 500, 500, 500}, {0, 300, 500, 500},   {300, 0, 500, 500},   {-50, 300, 500, 500},
                          {500, 500, 500, 500}, {500, 2000, 500, 2000}, {1500, 2000, 1500, 2000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.scaleX) + ", " + std::to_string(c.scaleY));
        View().SetSpriteScale(id, c.scaleX, c.scaleY);
        const CropView::SpriteState s = View().State(id);
        EXPECT_EQ(s.scaleX, c.expectX);
        EXPECT_EQ(s.scaleY, c.expectY);
        EXPECT_EQ(s.drawnWidth, MulDiv(100, c.expectX, 1000));
        EXPECT_EQ(View().GetSpriteX(id), -7);
        EXPECT_EQ(View().GetSpriteY(id), 9);
    }
}

TEST_F(CropViewTest, AngleIsReducedModulo360AndAChangeKeepsTheCentre) {
    const int id = View().AddSprite({1000, 1000, 0}, 0, 0, true);
    View().SetSpritePicture(id, BmpBytes(10, 4));
    View().MoveSprite(id, 100, 50);
    struct Case {
        int degrees;
        int angle;
        int x, y;  // after the call
    };
    // 10 x 4 turned to 4 x 10: x + 5 - 2, y + 2 - 5; and back.
    const Case cases[] = {{360, 0, 100, 50},   {450, 90, 103, 47}, {-270, 90, 103, 47}, {720, 0, 100, 50},
                          {-90, 270, 103, 47}, {630, 270, 103, 47}, {180, 180, 100, 50}, {-540, 180, 100, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        View().SetSpriteAngle(id, c.degrees);
        EXPECT_EQ(View().State(id).angle, c.angle);
        EXPECT_EQ(View().GetSpriteX(id), c.x);
        EXPECT_EQ(View().GetSpriteY(id), c.y);
    }
    // Without a picture only the angle changes.
    View().SetSpritePicture(id, std::string("not a picture"));
    View().SetSpriteAngle(id, 90);
    EXPECT_EQ(View().State(id).angle, 90);
    EXPECT_EQ(View().GetSpriteX(id), 100);
    EXPECT_EQ(View().GetSpriteY(id), 50);
}

TEST_F(CropViewTest, UndecodableBytesLeaveNoPictureAndKeepPositionScaleAndAngle) {
    View().MoveSprite(Sprite(), 12, -34);
    View().SetSpriteScale(Sprite(), 700, 700);
    const std::string bad[] = {"", "BM", std::string("\xFF\xD8\xFF\xE0 truncated jpeg", 20), BmpBytes(4, 4).substr(0, 60)};
    for (const std::string& bytes : bad) {
        View().SetSpritePicture(Sprite(), BmpBytes(8, 8));
        ASSERT_TRUE(SpriteNow().drawn);
        View().SetSpritePicture(Sprite(), bytes);
        const CropView::SpriteState s = SpriteNow();
        EXPECT_EQ(s.pictureWidth, 0);
        EXPECT_FALSE(s.drawn);
        EXPECT_EQ(s.pictureBytes, 0u);
        EXPECT_EQ(s.scaleX, 700);
        EXPECT_EQ(s.angle, 90);
        EXPECT_EQ(View().GetSpriteX(Sprite()), 12);
        EXPECT_EQ(View().GetSpriteY(Sprite()), -34);
        const Rendered view = RenderAll(RGB(9, 8, 7));
        for (uint32_t pixel : view.pixels) ASSERT_EQ(pixel, Px(RGB(9, 8, 7)));
    }
}

TEST_F(CropViewTest, RenderRegionWritesThe32BitBmpLayoutOfTheClippedRectangle) {
    struct Case {
        int left, top, width, height;
        int outWidth, outHeight;  // 0: nothing
    };
    const Case cases[] = {
        {0, 0, 316, 372, 316, 372},  {-10, -20, 50, 60, 40, 40}, {300, 360, 100, 100, 16, 12},
        {5, 6, 7, 8, 7, 8},          {0, 0, 5000, 5000, 316, 372}, {316, 0, 10, 10, 0, 0},
        {0, 372, 10, 10, 0, 0},      {-5, -5, 5, 5, 0, 0},        {10, 10, 0, 10, 0, 0},
        {10, 10, -5, 10, 0, 0},      {10, 10, 10, -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height));
        const std::string bmp = View().RenderRegion(c.left, c.top, c.width, c.height, RGB(0x12, 0x34, 0x56));
        if (c.outWidth == 0) {
            EXPECT_TRUE(bmp.empty());
            continue;
        }
        const uint32_t imageBytes = uint32_t(c.outWidth) * c.outHeight * 4;
        ASSERT_EQ(bmp.size(), 54u + imageBytes);
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(Le32(bmp, 2), imageBytes + 54);  // bfSize
        EXPECT_EQ(Le32(bmp, 6), 0u);               // both reserved words
        EXPECT_EQ(Le32(bmp, 10), 54u);             // bfOffBits
        EXPECT_EQ(Le32(bmp, 14), 40u);
        EXPECT_EQ(Le32(bmp, 18), uint32_t(c.outWidth));
        EXPECT_EQ(Le32(bmp, 22), uint32_t(c.outHeight));  // positive: bottom-up
        EXPECT_EQ(Le16(bmp, 26), 1);
        EXPECT_EQ(Le16(bmp, 28), 32);
        EXPECT_EQ(Le32(bmp, 30), uint32_t(BI_RGB));
        EXPECT_EQ(Le32(bmp, 34), imageBytes);  // biSizeImage
        for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(Le32(bmp, at), 0u) << at;
    }
}

TEST_F(CropViewTest, QuarterTurnsMapEveryPixelExactlyAtNaturalSize) {
    constexpr int w = 5, h = 3;
    View().SetSpritePicture(Sprite(), testsupport::Bmp24(w, h, &Distinct));
    View().SetSpriteScale(Sprite(), 1000, 1000);
    struct Case {
        int angle;
        int turnedWidth, turnedHeight;
        std::function<COLORREF(int c, int r)> source;  // the picture pixel at turned column c, row r
    };
    const Case cases[] = {
        {0, w, h, [](int c, int r) { return Distinct(c, r); }},
        {90, h, w, [](int c, int r) { return Distinct(r, h - 1 - c); }},
        {180, w, h, [](int c, int r) { return Distinct(w - 1 - c, h - 1 - r); }},
        {270, h, w, [](int c, int r) { return Distinct(w - 1 - r, c); }},
    };
    const COLORREF background = RGB(0xAB, 0xCD, 0xEF);
    // Whole, and cut by each edge of the view.
    const POINT places[] = {{10, 20}, {-2, -1}, {313, 370}, {-2, 369}};
    for (const Case& c : cases) {
        for (const POINT& at : places) {
            SCOPED_TRACE(std::to_string(c.angle) + " at " + std::to_string(at.x) + "," + std::to_string(at.y));
            View().SetSpriteAngle(Sprite(), c.angle);
            View().MoveSprite(Sprite(), at.x, at.y);
            // The region reaches a pixel beyond the picture on every side (clipped to the view).
            const int left = std::max(0, int(at.x) - 1), top = std::max(0, int(at.y) - 1);
            const int right = std::min(316, int(at.x) + c.turnedWidth + 1);
            const int bottom = std::min(372, int(at.y) + c.turnedHeight + 1);
            const Rendered region =
                ReadRendered(View().RenderRegion(int(at.x) - 1, int(at.y) - 1, c.turnedWidth + 2, c.turnedHeight + 2, background));
            ASSERT_EQ(region.width, right - left);
            ASSERT_EQ(region.height, bottom - top);
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    const int column = x - at.x, row = y - at.y;
                    const bool inside = column >= 0 && row >= 0 && column < c.turnedWidth && row < c.turnedHeight;
                    const uint32_t expected = inside ? Px(c.source(column, row)) : Px(background);
                    ASSERT_EQ(region.At(x - left, y - top), expected) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(CropViewTest, TheFirstTurnedColumnIsTheLeftColumnTurnedToTheTopRow) {
    // A quarter turn clockwise: the drawn width is the height and the left column becomes the top
    // row, read from the bottom up.
    constexpr int w = 4, h = 6;
    View().SetSpritePicture(Sprite(), testsupport::Bmp24(w, h, &Distinct));
    View().SetSpriteScale(Sprite(), 1000, 1000);
    View().SetSpriteAngle(Sprite(), 90);
    View().MoveSprite(Sprite(), 0, 0);
    const Rendered region = ReadRendered(View().RenderRegion(0, 0, h, 1, kNoColor));
    ASSERT_EQ(region.width, h);
    for (int c = 0; c < h; ++c) EXPECT_EQ(region.At(c, 0), Px(Distinct(0, h - 1 - c))) << c;
}

TEST_F(CropViewTest, AShrunkPictureAveragesWhatEachPixelCoversInsteadOfAliasing) {
    // Patterns of one-pixel lines shrunk so that a view pixel covers two or more of them: an
    // average is grey (within what a fraction of a line more or less gives), while sampling
    // shows black, white or a moire between them.
    struct Case {
        const char* name;
        int width, height, scale;
        std::function<COLORREF(int x, int y)> pattern;
    };
    auto checker = [](int x, int y) { return (x + y) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0); };
    auto columns = [](int x, int) { return x % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0); };
    auto rows = [](int, int y) { return y % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0); };
    const Case cases[] = {
        {"checker at 500", 64, 64, 500, checker}, {"checker at 300", 200, 200, 300, checker},
        {"columns at 300", 200, 200, 300, columns}, {"columns at 100", 200, 200, 100, columns},
        {"rows at 230", 200, 200, 230, rows},      {"rows at 450", 200, 200, 450, rows},
        {"odd checker at 300", 201, 199, 300, checker},
    };
    View().SetSpriteAngle(Sprite(), 0);
    View().MoveSprite(Sprite(), 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View().SetSpritePicture(Sprite(), testsupport::Bmp24(c.width, c.height, c.pattern));
        View().SetSpriteScale(Sprite(), c.scale, c.scale);
        const CropView::SpriteState s = SpriteNow();
        // Inside, away from the edges where the picture meets the background.
        const Rendered region = ReadRendered(View().RenderRegion(1, 1, s.drawnWidth - 2, s.drawnHeight - 2, RGB(255, 0, 0)));
        ASSERT_GT(region.width, 0);
        for (uint32_t pixel : region.pixels) {
            for (int shift = 0; shift < 24; shift += 8) {
                const int level = (pixel >> shift) & 0xFF;
                ASSERT_NEAR(level, 128, 30) << std::hex << pixel;
            }
        }
    }
}

TEST_F(CropViewTest, AnEnlargedPictureIsSmoothAndKeepsItsCornersColours) {
    // Black left half, white right half, at 2000: the seam becomes a ramp, the far columns stay.
    View().SetSpritePicture(Sprite(), testsupport::Bmp24(4, 2, [](int x, int) { return x < 2 ? RGB(0, 0, 0) : RGB(255, 255, 255); }));
    View().SetSpriteAngle(Sprite(), 0);
    View().SetSpriteScale(Sprite(), 2000, 2000);
    View().MoveSprite(Sprite(), 0, 0);
    const Rendered row = ReadRendered(View().RenderRegion(0, 0, 8, 1, RGB(255, 0, 0)));
    ASSERT_EQ(row.width, 8);
    EXPECT_EQ(row.At(0, 0), 0u);
    EXPECT_EQ(row.At(7, 0), kWhite);
    int previous = -1;
    int between = 0;
    for (int x = 0; x < 8; ++x) {
        const int level = row.At(x, 0) & 0xFF;
        EXPECT_GE(level, previous);
        previous = level;
        between += level > 0 && level < 255;
    }
    EXPECT_GE(between, 2);
}

TEST_F(CropViewTest, TransparentPixelsShowWhatLiesBelow) {
    // Opaque red, transparent, and half-transparent blue, in one row.
    const uint32_t argb[] = {0xFFFF0000, 0x00000000, 0x800000FF};
    View().SetSpritePicture(Sprite(), Bmp32WithAlpha(3, 1, [&argb](int x, int) { return argb[x]; }));
    View().SetSpriteAngle(Sprite(), 0);
    View().SetSpriteScale(Sprite(), 1000, 1000);
    View().MoveSprite(Sprite(), 0, 0);
    ASSERT_EQ(SpriteNow().pictureWidth, 3);
    const Rendered row = ReadRendered(View().RenderRegion(0, 0, 3, 1, RGB(0, 255, 0)));
    ASSERT_EQ(row.width, 3);
    EXPECT_EQ(row.At(0, 0), 0xFF0000u);
    EXPECT_EQ(row.At(1, 0), 0x00FF00u);
    const uint32_t half = row.At(2, 0);
    EXPECT_EQ(half >> 16, 0u);
    EXPECT_NEAR(int((half >> 8) & 0xFF), 127, 2);
    EXPECT_NEAR(int(half & 0xFF), 128, 2);
}

TEST_F(CropViewTest, OtherAnglesTurnAboutTheCentreAndLeaveTheCornersToTheBackground) {
    View().SetSpritePicture(Sprite(), testsupport::Bmp24(100, 100, [](int, int) { return RGB(0, 0, 255); }));
    View().SetSpriteScale(Sprite(), 1000, 1000);
    View().SetSpriteAngle(Sprite(), 45);
    View().MoveSprite(Sprite(), 20, 30);
    const CropView::SpriteState s = SpriteNow();
    ASSERT_EQ(s.drawnWidth, 141);
    const Rendered region = ReadRendered(View().RenderRegion(20, 30, 141, 141, RGB(0, 255, 0)));
    ASSERT_EQ(region.width, 141);
    EXPECT_EQ(region.At(70, 70), 0x0000FFu);
    EXPECT_EQ(region.At(70, 2), 0x0000FFu);    // the top corner of the turned square
    EXPECT_EQ(region.At(3, 3), 0x00FF00u);     // beside it, the background
    EXPECT_EQ(region.At(137, 137), 0x00FF00u);
}

TEST_F(CropViewTest, RemovedAndHiddenSpritesAreNotDrawn) {
    View().SetSpritePicture(Sprite(), BmpBytes(50, 50));
    View().SetSpriteAngle(Sprite(), 0);
    View().MoveSprite(Sprite(), 0, 0);
    EXPECT_EQ(ReadRendered(View().RenderRegion(0, 0, 1, 1, RGB(255, 0, 0))).At(0, 0), 0x808080u);
    View().SetSpriteVisible(Sprite(), false);
    EXPECT_EQ(ReadRendered(View().RenderRegion(0, 0, 1, 1, RGB(255, 0, 0))).At(0, 0), 0xFF0000u);
    View().SetSpriteVisible(Sprite(), true);
    // A later sprite lies above an earlier one.
    const int above = View().AddSprite({1000, 1000, 0}, 0, 0, true);
    View().SetSpritePicture(above, testsupport::Bmp24(1, 1, [](int, int) { return RGB(1, 2, 3); }));
    EXPECT_EQ(ReadRendered(View().RenderRegion(0, 0, 2, 1, kNoColor)).At(0, 0), 0x010203u);
    EXPECT_EQ(ReadRendered(View().RenderRegion(0, 0, 2, 1, kNoColor)).At(1, 0), 0x808080u);
    View().RemoveSprite(above);
    View().RemoveSprite(Sprite());
    EXPECT_FALSE(SpriteNow().exists);
    const Rendered view = RenderAll();
    for (uint32_t pixel : view.pixels) ASSERT_EQ(pixel, kWhite);
}

TEST_F(CropViewTest, APictureCostsItsPixelsAndAtMostAThirdMoreForItsLevels) {
    View().SetSpritePicture(Sprite(), BmpBytes(1000, 800));
    const size_t picture = size_t{1000} * 800 * 4;
    const CropView::SpriteState s = SpriteNow();
    EXPECT_GE(s.pictureBytes, picture);
    EXPECT_LE(s.pictureBytes, picture + picture / 3 + 4096);
    // Zooming makes nothing new.
    View().SetSpriteScale(Sprite(), 2000, 2000);
    RenderAll();
    EXPECT_EQ(SpriteNow().pictureBytes, s.pictureBytes);
}

TEST_F(CropViewTest, ThePaintedViewIsWhatRenderRegionGives) {
    View().SetSpritePicture(Sprite(), testsupport::Bmp24(300, 200, &Distinct));
    View().SetSpriteScale(Sprite(), 1300, 1300);
    View().SetSpriteAngle(Sprite(), 270);
    View().MoveSprite(Sprite(), -40, -25);
    ShowWindow(window->Handle(), SW_SHOW);
    SetForegroundWindow(window->Handle());
    UpdateWindow(ViewWindow());
    Pump();
    const Rendered expected = RenderAll();

    // Read from the screen where no sibling covers the view (the frame bars overlap its edges).
    RECT inner = {2, 3, 314, 370};
    POINT origin = {0, 0};
    ClientToScreen(ViewWindow(), &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = inner.right - inner.left;
    info.bmiHeader.biHeight = -(inner.bottom - inner.top);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, inner.right - inner.left, inner.bottom - inner.top, screen, origin.x + inner.left,
           origin.y + inner.top, SRCCOPY);
    GdiFlush();
    int differing = 0;
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (int y = inner.top; y < inner.bottom; ++y) {
        for (int x = inner.left; x < inner.right; ++x) {
            const uint32_t seen = pixels[(y - inner.top) * (inner.right - inner.left) + (x - inner.left)] & 0xFFFFFF;
            differing += seen != expected.At(x, y);
        }
    }
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(differing, 0);
}

}  // namespace
