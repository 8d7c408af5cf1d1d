#include "PaintedWindow.h"

#include <vector>

namespace fixtures {

namespace {

constexpr char kClassName[] = "QuillmereBitmapTestWindow";

void RegisterOnce(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

PaintedWindow::PaintedWindow(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight, DWORD style,
                             ColourAt colour, DWORD exStyle)
    : colour_(std::move(colour)), clientWidth_(clientWidth), clientHeight_(clientHeight) {
    RegisterOnce(&PaintedWindow::Procedure);
    RECT frame = {x, y, x + clientWidth, y + clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    window_ = CreateWindowExA(exStyle, kClassName, "bitmap test", style, frame.left, frame.top,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), this);
    if (window_ == nullptr) return;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    Settle();
}

PaintedWindow::~PaintedWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    Settle();
}

void PaintedWindow::Settle() {
    MSG message;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(20);
    }
    GdiFlush();
}

LRESULT CALLBACK PaintedWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const PaintedWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (self != nullptr) self->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (self != nullptr) self->Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PaintedWindow::Paint(HDC dc) const {
    // One top-down 32-bit picture of the whole client area, written by hand.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = clientWidth_;
    info.bmiHeader.biHeight = -clientHeight_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> rows(static_cast<size_t>(clientWidth_) * clientHeight_ * 4);
    for (int32_t y = 0; y < clientHeight_; ++y) {
        for (int32_t x = 0; x < clientWidth_; ++x) {
            const COLORREF c = colour_(x, y);
            uint8_t* pixel = &rows[4 * (static_cast<size_t>(y) * clientWidth_ + x)];
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
            pixel[3] = 0;
        }
    }
    SetDIBitsToDevice(dc, 0, 0, clientWidth_, clientHeight_, 0, 0, 0, clientHeight_, rows.data(), &info,
                      DIB_RGB_COLORS);
}

}  // namespace fixtures
