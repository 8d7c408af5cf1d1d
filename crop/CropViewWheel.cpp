#include "crop/CropViewWheel.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace {
std::vector<HWND>& Routed() {
    static std::vector<HWND> windows;
    return windows;
}
HHOOK g_hook = nullptr;

LRESULT CALLBACK RouteWheel(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* message = reinterpret_cast<MSG*>(lParam);
        if (message->message == WM_MOUSEWHEEL) {
            // The wheel message carries the cursor's screen position.
            const POINT at = {GET_X_LPARAM(message->lParam), GET_Y_LPARAM(message->lParam)};
            const HWND under = WindowFromPoint(at);
            for (HWND window : Routed()) {
                // Not while a modal window has disabled the view's top-level window.
                if (under == window && IsWindowEnabled(GetAncestor(window, GA_ROOT))) message->hwnd = window;
            }
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
}  // namespace

void RouteWheelOverWindow(HWND window) {
    Routed().push_back(window);
    if (g_hook == nullptr) g_hook = SetWindowsHookExA(WH_GETMESSAGE, &RouteWheel, nullptr, GetCurrentThreadId());
}

void StopRoutingWheel(HWND window) {
    auto& routed = Routed();
    routed.erase(std::remove(routed.begin(), routed.end(), window), routed.end());
    if (routed.empty() && g_hook != nullptr) {
        UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
    }
}
