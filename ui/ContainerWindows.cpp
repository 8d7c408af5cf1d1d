#include "ui/Controls.h"

#include "ui/ControlText.h"

#include <commctrl.h>

#include <string>

const char kPictureBoxClass[] = "QuillmerePictureBox";
const char kShapeBoxClass[] = "QuillmereShapeBox";
const char kSpriteTemplateClass[] = "QuillmereSpriteTemplate";

namespace {
bool IsForwarded(UINT message) {
    return message == WM_COMMAND || message == WM_NOTIFY || message == WM_DRAWITEM || message == WM_MEASUREITEM ||
           message == WM_CONTEXTMENU;
}

LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (IsForwarded(message)) {
        // The tab control's own notifications already go to the top-level window; only the
        // children's reach this container.
        return SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    }
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &ForwardingProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK PictureBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsForwarded(message)) return SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ShapeBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
}  // namespace

void RegisterContainerClasses(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);

    wc.lpfnWndProc = &PictureBoxProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPictureBoxClass;
    RegisterClassA(&wc);

    wc.lpfnWndProc = &ShapeBoxProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kShapeBoxClass;
    RegisterClassA(&wc);

    wc.lpfnWndProc = &DefWindowProcA;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kSpriteTemplateClass;
    RegisterClassA(&wc);
}

void ForwardChildNotifications(HWND container) { SetWindowSubclass(container, &ForwardingProc, 1, 0); }

void DrawOwnerDrawButton(const DRAWITEMSTRUCT& item) {
    RECT face = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item.hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    const std::string caption = WindowText(item.hwndItem);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    if (pressed) OffsetRect(&face, 1, 1);
    DrawTextA(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &face, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}
