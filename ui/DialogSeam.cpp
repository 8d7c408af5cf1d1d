#include "ui/DialogSeam.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace {
FolderBrowserAnswer& FolderAnswer() {
    static FolderBrowserAnswer answer;
    return answer;
}

OpenFileAnswer& FileAnswer() {
    static OpenFileAnswer answer;
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

std::string ChooseOpenFile(const std::string& filter) {
    if (FileAnswer()) return FileAnswer()(filter);
    // The dialog wants the pairs separated by NULs and the list ended by two. A GBK character's
    // second byte may be "|", so double-byte characters are stepped over whole.
    std::string pairs = filter;
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (IsDBCSLeadByteEx(936, static_cast<BYTE>(pairs[i]))) ++i;
        else if (pairs[i] == '|') pairs[i] = '\0';
    }
    pairs.append(2, '\0');
    ModalScope modal;
    char path[MAX_PATH * 4] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = modal.Owner();
    dialog.lpstrFilter = pairs.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    // The program's later relative paths must not follow the user's browsing.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetOpenFileNameA(&dialog) ? std::string(path) : std::string();
}

void SetOpenFileAnswer(OpenFileAnswer answer) { FileAnswer() = std::move(answer); }
