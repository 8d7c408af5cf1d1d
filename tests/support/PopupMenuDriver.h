#pragma once
// A pop-up menu is modal: while it is shown, a timer looks at it, reads the states of two of its
// items, then answers it with keys (or closes it). Window thread only.
#include <windows.h>

#include <vector>

namespace testsupport {

struct PopupSeen {
    bool shown = false;
    POINT at = {};        // the menu window's top-left corner on the screen
    UINT states[2] = {};  // GetMenuState of the two items asked about
};

class PopupMenuDriver {
public:
    // Right-clicks the control at a client point with the cursor there, and answers the menu.
    static PopupSeen RightClick(HWND control, POINT at, HMENU menu, UINT firstItem, UINT secondItem,
                                std::vector<WPARAM> keys) {
        POINT screen = at;
        ClientToScreen(control, &screen);
        SetCursorPos(screen.x, screen.y);
        PopupMenuDriver driver;
        driver.menu_ = menu;
        driver.items_[0] = firstItem;
        driver.items_[1] = secondItem;
        driver.keys_ = std::move(keys);
        Active() = &driver;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &OnTimer);
        // The button's release waits in the queue, as it would after a real click.
        PostMessageA(control, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        SendMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
        KillTimer(nullptr, timer);
        Active() = nullptr;
        return driver.seen_;
    }

private:
    static PopupMenuDriver*& Active() {
        static PopupMenuDriver* active = nullptr;
        return active;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        PopupMenuDriver* self = Active();
        if (self == nullptr) return;
        HWND shown = FindWindowA("#32768", nullptr);
        if (shown == nullptr || !IsWindowVisible(shown)) {
            if (++self->ticks_ > 100) EndMenu();  // never shown: do not hang
            return;
        }
        if (!self->seen_.shown) {
            self->seen_.shown = true;
            RECT rect;
            GetWindowRect(shown, &rect);
            self->seen_.at = {rect.left, rect.top};
            for (int i = 0; i < 2; ++i) self->seen_.states[i] = GetMenuState(self->menu_, self->items_[i], MF_BYCOMMAND);
            for (WPARAM key : self->keys_) {
                PostMessageA(shown, WM_KEYDOWN, key, 0);
                PostMessageA(shown, WM_KEYUP, key, 0xC0000000);
            }
            return;
        }
        // Still open after its keys: a grey item cannot be chosen.
        if (++self->ticks_ > 4) EndMenu();
    }

    HMENU menu_ = nullptr;
    UINT items_[2] = {};
    std::vector<WPARAM> keys_;
    PopupSeen seen_;
    int ticks_ = 0;
};

}  // namespace testsupport
