// Filling a bitmap from the screen, a window, a device context and an icon.
#include "PaintedWindow.h"

#include <gtest/gtest.h>

namespace {

using fixtures::ColourAt;
using fixtures::PaintedWindow;

struct Display {
    int32_t width, height, bitDepth;
};

Display TheDisplay() {
    HDC screen = GetDC(nullptr);
    const Display display = {GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES),
                             GetDeviceCaps(screen, BITSPIXEL)};
    ReleaseDC(nullptr, screen);
    return display;
}

COLORREF Pattern(int32_t x, int32_t y) {
    return RGB((x * 7) % 256, (y * 11) % 256, ((x + y) * 3 + 40) % 256);
}

// Differences between the bitmap's pixels and the colour function at (x + dx, y + dy), over the
// given rectangle of the bitmap.
int CountWrong(新位图操作类& bitmap, RECT area, const ColourAt& colour, int32_t dx, int32_t dy) {
    int wrong = 0;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x) {
            if (bitmap.GetPixel(x, y) != colour(x + dx, y + dy)) {
                if (wrong < 3) ADD_FAILURE() << "at " << x << ", " << y << std::hex << ": " << bitmap.GetPixel(x, y)
                                             << " instead of " << colour(x + dx, y + dy);
                ++wrong;
            }
        }
    }
    return wrong;
}

void ExpectEmpty(新位图操作类& bitmap) {
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_EQ(bitmap.GetHandleWidth(), 0);
    EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u);
}

TEST(BitmapCapture, CaptureScreenTakesTheDisplayFromThePointOn) {
    const Display display = TheDisplay();
    // A window of known pixels on top, its client area at (300, 200) on the screen.
    PaintedWindow marker(300, 200, 40, 30, WS_POPUP, Pattern, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    ASSERT_NE(marker.Get(), nullptr);
    const struct {
        int32_t x, y, width, height, bitDepth;
        bool captures;
        int32_t expectedWidth, expectedHeight, expectedDepth;
    } cases[] = {
        {0, 0, 0, 0, 0, true, display.width, display.height, display.bitDepth},
        {100, 50, 0, 0, 0, true, display.width - 100, display.height - 50, display.bitDepth},
        {290, 195, 60, 0, 24, true, 60, display.height - 195, 24},
        {300, 200, 40, 30, 32, true, 40, 30, 32},
        {0, 0, 0, 0, 15, false, 0, 0, 0},
        {display.width, 0, 0, 0, 0, false, 0, 0, 0},  // nothing is left to the right
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "CaptureScreen(" << c.x << ", " << c.y << ", " << c.width << ", "
                                        << c.height << ", " << c.bitDepth << ")");
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(2, 2, 24));
        ASSERT_EQ(bitmap.CaptureScreen(c.x, c.y, c.width, c.height, c.bitDepth), c.captures);
        if (!c.captures) {
            ExpectEmpty(bitmap);
            continue;
        }
        EXPECT_EQ(bitmap.GetWidth(), c.expectedWidth);
        EXPECT_EQ(bitmap.GetHeight(), c.expectedHeight);
        EXPECT_EQ(bitmap.GetBitDepth(), c.expectedDepth);
        EXPECT_EQ(bitmap.GetHandleBitDepth(), c.expectedDepth);
        const RECT marked = {300 - c.x, 200 - c.y, 340 - c.x, 230 - c.y};
        EXPECT_EQ(CountWrong(bitmap, marked, Pattern, c.x - 300, c.y - 200), 0);
    }
}


TEST(BitmapCapture, CaptureWindowCutsTheClientAreaOutOfWhatTheWindowDraws) {
    PaintedWindow window(200, 150, 120, 80, WS_OVERLAPPEDWINDOW, Pattern);
    ASSERT_NE(window.Get(), nullptr);
    RECT client = {};
    GetClientRect(window.Get(), &client);
    ASSERT_EQ(client.right, 120);
    ASSERT_EQ(client.bottom, 80);
    const struct {
        const char* name;
        int32_t x, y, width, height, bitDepth;
        int32_t expectedWidth, expectedHeight, expectedDepth;
    } cases[] = {
        {"the whole client area", 0, 0, 0, 0, 0, 120, 80, 24},
        {"from a point to the edges", 30, 20, 0, 0, 0, 90, 60, 24},
        {"a rectangle", 5, 7, 10, 6, 32, 10, 6, 32},
        {"at 16 bits", 0, 0, 8, 8, 16, 8, 8, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.CaptureWindow(window.Get(), c.x, c.y, c.width, c.height, c.bitDepth));
        EXPECT_EQ(bitmap.GetWidth(), c.expectedWidth);
        EXPECT_EQ(bitmap.GetHeight(), c.expectedHeight);
        EXPECT_EQ(bitmap.GetBitDepth(), c.expectedDepth);
        if (c.expectedDepth >= 24) {
            EXPECT_EQ(CountWrong(bitmap, {0, 0, c.expectedWidth, c.expectedHeight}, Pattern, c.x, c.y), 0);
        }
    }
}

TEST(BitmapCapture, CaptureWindowTakesACoveredWindowAsItDrawsItself) {
    PaintedWindow window(200, 150, 120, 80, WS_OVERLAPPEDWINDOW, Pattern);
    PaintedWindow cover(180, 140, 100, 60, WS_POPUP, [](int32_t, int32_t) { return RGB(250, 0, 250); },
                        WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    ASSERT_NE(window.Get(), nullptr);
    ASSERT_NE(cover.Get(), nullptr);
    新位图操作类 screen;
    ASSERT_TRUE(screen.CaptureScreen(210, 160, 1, 1));
    ASSERT_EQ(screen.GetPixel(0, 0), RGB(250, 0, 250)) << "the cover must lie over the window";
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.CaptureWindow(window.Get(), 0, 0));
    EXPECT_EQ(CountWrong(bitmap, {0, 0, 120, 80}, Pattern, 0, 0), 0);
}

TEST(BitmapCapture, CaptureWindowRefusesWhatItCannotPrint) {
    PaintedWindow minimised(200, 150, 60, 40, WS_OVERLAPPEDWINDOW, Pattern);
    PaintedWindow hidden(200, 150, 60, 40, WS_OVERLAPPEDWINDOW, Pattern);
    PaintedWindow shown(200, 150, 60, 40, WS_OVERLAPPEDWINDOW, Pattern);
    ShowWindow(minimised.Get(), SW_MINIMIZE);
    ShowWindow(hidden.Get(), SW_HIDE);
    PaintedWindow::Settle();
    ASSERT_TRUE(IsIconic(minimised.Get()));
    HWND gone = nullptr;
    {
        PaintedWindow destroyed(200, 150, 60, 40, WS_OVERLAPPEDWINDOW, Pattern);
        gone = destroyed.Get();
    }
    const struct {
        const char* name;
        HWND window;
        int32_t bitDepth;
    } cases[] = {
        {"minimised", minimised.Get(), 0}, {"hidden", hidden.Get(), 0},       {"destroyed", gone, 0},
        {"no window", nullptr, 0},         {"15 bits", shown.Get(), 15},      {"-24 bits", shown.Get(), -24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 3, 24));
        EXPECT_FALSE(bitmap.CaptureWindow(c.window, 0, 0, 0, 0, c.bitDepth));
        ExpectEmpty(bitmap);
    }
}

// A 24-bit section of the pattern, selected into a DC of its own.
class PatternDc {
public:
    PatternDc(int32_t width, int32_t height) : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        section_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        selection_.Select(dc_.Get(), section_.Get());
        const int32_t stride = ((width * 24 + 31) / 32) * 4;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* pixel = static_cast<uint8_t*>(bits) + stride * (height - 1 - y) + 3 * x;
                const COLORREF c = Pattern(x, y);
                pixel[0] = GetBValue(c);
                pixel[1] = GetGValue(c);
                pixel[2] = GetRValue(c);
            }
        }
    }
    HDC Get() const { return dc_.Get(); }

private:
    MemoryDcHandle dc_;
    GdiObjectHandle section_;
    SelectionHandle selection_;
};

TEST(BitmapCapture, LoadFromDcCopiesTheRectangleAtTheDepthAsked) {
    PatternDc source(9, 7);
    const struct {
        const char* name;
        HDC dc;
        RECT rect;
        int32_t bitDepth;
        bool loads;
    } cases[] = {
        {"the whole picture", source.Get(), {0, 0, 9, 7}, 24, true},
        {"a rectangle inside", source.Get(), {2, 1, 6, 5}, 32, true},
        {"at 8 bits", source.Get(), {0, 0, 9, 7}, 8, true},
        {"depth 0", source.Get(), {0, 0, 9, 7}, 0, false},
        {"depth 15", source.Get(), {0, 0, 9, 7}, 15, false},
        {"an empty rectangle", source.Get(), {3, 3, 3, 3}, 24, false},
        {"an upside-down rectangle", source.Get(), {5, 5, 2, 2}, 24, false},
        {"no DC", nullptr, {0, 0, 9, 7}, 24, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 3, 24));
        ASSERT_EQ(bitmap.LoadFromDc(c.dc, c.rect, c.bitDepth), c.loads);
        if (!c.loads) {
            ExpectEmpty(bitmap);
            continue;
        }
        const int32_t width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
        EXPECT_EQ(bitmap.GetWidth(), width);
        EXPECT_EQ(bitmap.GetHeight(), height);
        EXPECT_EQ(bitmap.GetBitDepth(), c.bitDepth);
        if (c.bitDepth >= 24) {
            EXPECT_EQ(CountWrong(bitmap, {0, 0, width, height}, Pattern, c.rect.left, c.rect.top), 0);
        }
    }
}

const COLORREF kIconColour = RGB(200, 30, 40);

// Opaque where x < 16 and y >= 8 of 32 x 32: the rest is transparent.
bool Opaque32(int32_t x, int32_t y) { return x < 16 && y >= 8; }

HICON MakeHalfTransparentIcon() {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 32, -32, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    GdiObjectHandle colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (colour.Get() == nullptr) return nullptr;
    uint8_t mask[32 * 4] = {};  // 1 bit a pixel, rows of 4 bytes, top row first
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            uint8_t* pixel = static_cast<uint8_t*>(bits) + 96 * y + 3 * x;
            const COLORREF c = Opaque32(x, y) ? kIconColour : RGB(0, 0, 0);  // black under the mask shows what is behind
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
            if (!Opaque32(x, y)) mask[4 * y + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    GdiObjectHandle maskBitmap(CreateBitmap(32, 32, 1, 1, mask));
    ICONINFO icon = {TRUE, 0, 0, static_cast<HBITMAP>(maskBitmap.Get()), static_cast<HBITMAP>(colour.Get())};
    return CreateIconIndirect(&icon);
}

TEST(BitmapCapture, LoadFromIconPutsWhiteUnderTheTransparentParts) {
    HICON icon = MakeHalfTransparentIcon();
    ASSERT_NE(icon, nullptr);
    const struct {
        const char* name;
        int32_t width, height, bitDepth;
        bool defaults;
    } cases[] = {
        {"the defaults", 32, 32, 32, true},
        {"16 x 16 at 24 bits", 16, 16, 24, false},
        {"64 x 32", 64, 32, 32, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(c.defaults ? bitmap.LoadFromIcon(icon) : bitmap.LoadFromIcon(icon, c.width, c.height, c.bitDepth));
        EXPECT_EQ(bitmap.GetWidth(), c.width);
        EXPECT_EQ(bitmap.GetHeight(), c.height);
        EXPECT_EQ(bitmap.GetBitDepth(), c.bitDepth);
        int wrong = 0;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const bool opaque = Opaque32(x * 32 / c.width, y * 32 / c.height);
                wrong += bitmap.GetPixel(x, y) != (opaque ? kIconColour : RGB(255, 255, 255)) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    const struct {
        const char* name;
        HICON icon;
        int32_t width, height, bitDepth;
    } refusals[] = {
        {"no icon", nullptr, 32, 32, 32}, {"depth 0", icon, 32, 32, 0},
        {"depth 15", icon, 32, 32, 15},   {"no width", icon, 0, 32, 32},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.name);
        新位图操作类 bitmap;
        ASSERT_TRUE(bitmap.Create(3, 3, 24));
        EXPECT_FALSE(bitmap.LoadFromIcon(r.icon, r.width, r.height, r.bitDepth));
        ExpectEmpty(bitmap);
    }
    DestroyIcon(icon);
}

}  // namespace
