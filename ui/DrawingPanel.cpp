#include "ui/Controls.h"

// A panel with a persistent drawing surface: a screen-compatible bitmap in a memory DC, made with
// the window and released with it, so whatever was drawn survives being covered and repainted.

const char kDrawingPanelClass[] = "QuillmereDrawingPanel";

namespace {
struct PanelSurface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ original = nullptr;
};

LRESULT CALLBACK DrawingPanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PanelSurface* surface = reinterpret_cast<PanelSurface*>(GetWindowLongPtrA(hwnd, 0));
    switch (message) {
    case WM_CREATE: {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        surface = new PanelSurface;
        HDC screen = GetDC(hwnd);
        surface->dc = CreateCompatibleDC(screen);
        const int width = create->cx > 0 ? create->cx : 1;
        const int height = create->cy > 0 ? create->cy : 1;
        surface->bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(hwnd, screen);
        surface->original = SelectObject(surface->dc, surface->bitmap);
        RECT all = {0, 0, width, height};
        FillRect(surface->dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(surface));
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (surface) {
            const RECT& r = paint.rcPaint;
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, surface->dc, r.left, r.top, SRCCOPY);
        }
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_NCDESTROY:
        if (surface) {
            SelectObject(surface->dc, surface->original);
            DeleteObject(surface->bitmap);
            DeleteDC(surface->dc);
            delete surface;
            SetWindowLongPtrA(hwnd, 0, 0);
        }
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
}  // namespace

void RegisterDrawingPanelClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &DrawingPanelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = kDrawingPanelClass;
    RegisterClassA(&wc);
}

HDC DrawingPanelDC(HWND panel) {
    PanelSurface* surface = reinterpret_cast<PanelSurface*>(GetWindowLongPtrA(panel, 0));
    return surface ? surface->dc : nullptr;
}
