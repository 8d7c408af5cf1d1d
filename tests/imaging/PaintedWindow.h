// Windows for the drawing and capture tests: each paints its client area from a colour function,
// on WM_PAINT and on WM_PRINTCLIENT alike, so a test knows every pixel it drew.
#pragma once
#include "BitmapFixtures.h"

namespace fixtures {

class PaintedWindow {
public:
    // A visible top-level window whose client area, of the given size, lies at (x, y) on the
    // screen; WS_POPUP gives one without a frame, WS_OVERLAPPEDWINDOW one with caption and border.
    PaintedWindow(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight, DWORD style, ColourAt colour,
                  DWORD exStyle = 0);
    ~PaintedWindow();
    PaintedWindow(const PaintedWindow&) = delete;
    PaintedWindow& operator=(const PaintedWindow&) = delete;

    HWND Get() const { return window_; }
    const ColourAt& Colour() const { return colour_; }
    // Dispatches until every pending paint of this thread's windows is done.
    static void Settle();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc) const;

    ColourAt colour_;
    int32_t clientWidth_;
    int32_t clientHeight_;
    HWND window_ = nullptr;
};

}  // namespace fixtures
