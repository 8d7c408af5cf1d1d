#include "app/DialogSeam.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace {
FolderBrowserAnswer& FolderAnswer() {
    static FolderBrowserAnswer answer;
    return answer;
}

// Disables the program's enabled top-level windows while a dialog is up and restores them, the
// active and the foreground window afterwards.
class ModalScope {
public:
    ModalScope() : active_(GetActiveWindow()), foreground_(GetForegroundWindow()) {
        EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&disabled_));
        for (HWND hwnd : disabled_) EnableWindow(hwnd, FALSE);
    }
    ~ModalScope() {
        for (HWND hwnd : disabled_) EnableWindow(hwnd, TRUE);
        if (active_ && IsWindow(active_)) SetActiveWindow(active_);
        if (foreground_ && IsWindow(foreground_)) SetForegroundWindow(foreground_);
    }
    HWND Owner() const { return active_; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM list) {
        if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
        return TRUE;
    }
    HWND active_;
    HWND foreground_;
    std::vector<HWND> disabled_;
};
}  // namespace

std::string BrowseForFolder(const std::string& title) {
    if (FolderAnswer()) return FolderAnswer()(title);
    ModalScope modal;
    BROWSEINFOA info = {};
    info.hwndOwner = modal.Owner();
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_EDITBOX;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    std::string path;
    if (chosen != nullptr) {
        char buffer[MAX_PATH] = {};
        if (SHGetPathFromIDListA(chosen, buffer)) path = buffer;
        CoTaskMemFree(chosen);
    }
    return path;
}

void SetFolderBrowserAnswer(FolderBrowserAnswer answer) { FolderAnswer() = std::move(answer); }
