#include "ui/Controls.h"

#include "ui/ControlText.h"

#include <string>

// A static text whose colour the program sets: the stock static control takes its colour from
// its parent, and a label's parent here may be a tab control or a group box.

const char kLabelClass[] = "QuillmereLabel";
const char kTransparentLabelClass[] = "QuillmereTransparentLabel";

namespace {
constexpr int kColorSlot = 0;
constexpr int kFontSlot = sizeof(LONG_PTR);

void PaintLabel(HWND hwnd, HDC dc) {
    RECT client;
    GetClientRect(hwnd, &client);
    const bool transparent = (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0;
    if (!transparent) FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    // The whole caption, so that a long one never loses the second byte of its last character.
    const std::string text = WindowText(hwnd);
    HFONT font = reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, kFontSlot));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(GetWindowLongPtrA(hwnd, kColorSlot)));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFONT:
        SetWindowLongPtrA(hwnd, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrA(hwnd, kFontSlot);
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
        if (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT) {
            // What lies behind must show through the old text's place.
            HWND parent = GetParent(hwnd);
            RECT area;
            GetWindowRect(hwnd, &area);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
            InvalidateRect(parent, &area, TRUE);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        PaintLabel(hwnd, dc);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintLabel(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
}  // namespace

void RegisterLabelClasses(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &LabelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.lpszClassName = kLabelClass;
    RegisterClassA(&wc);
    wc.lpszClassName = kTransparentLabelClass;
    RegisterClassA(&wc);
}

void SetLabelTextColor(HWND label, COLORREF color) {
    SetWindowLongPtrA(label, kColorSlot, static_cast<LONG_PTR>(color));
    InvalidateRect(label, nullptr, TRUE);
}

COLORREF GetLabelTextColor(HWND label) {
    return static_cast<COLORREF>(GetWindowLongPtrA(label, kColorSlot));
}
