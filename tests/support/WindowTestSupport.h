#pragma once
// Shared by the tests that drive the real main window.
#include "app/Application.h"
#include "ui/DialogSeam.h"
#include "app/MainWindow.h"
#include "ui/MessageBoxSeam.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

inline std::string TextOf(HWND hwnd) {
    char text[2048] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// What a message box was asked to say.
struct ShownMessage {
    std::string text;
    std::string caption;
    UINT style;
};

// Runs work on another thread while this (window) thread keeps dispatching, as a run's polling
// does, so the worker's sent messages are served. False when it had not ended after 10 s.
inline bool RunWorkerWhilePumping(std::function<void()> work) {
    // The worker owns copies of what it uses: on a time-out it is left running on its own.
    const HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([work = std::move(work), done] {
        work();
        SetEvent(done);
    });
    const DWORD start = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    while (waited != WAIT_OBJECT_0 && GetTickCount() - start < 10000) {
        waited = MsgWaitForMultipleObjects(1, &done, FALSE, 100, QS_ALLINPUT);
        Pump();
    }
    if (waited != WAIT_OBJECT_0) {
        worker.detach();  // stuck in a send nobody serves; the event stays open for it
        return false;
    }
    worker.join();
    CloseHandle(done);
    return true;
}

// The files of a folder in the order the system enumerates them, with the attributes the scans
// take (any of 0x37, not a folder).
inline std::vector<std::string> EnumeratedFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (entry.dwFileAttributes & 0x37))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

// The process-wide objects, made once for a test program as the program makes them at start.
inline void EnsureGlobals() {
    static bool made = false;
    if (!made) {
        CreateGlobals();
        made = true;
    }
}

// A fresh main window per test, with the message box and folder browser answered and recorded.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGlobals();
        SetMessageBoxAnswer([this](const std::string& text, const std::string& caption, UINT style) {
            messages.push_back({text, caption, style});
            return IDOK;
        });
        SetFolderBrowserAnswer([this](const std::string& title) {
            browserTitles.push_back(title);
            return folderAnswer;
        });
        window = MainWindow::Create(GetModuleHandleA(nullptr));
        ASSERT_NE(window, nullptr);
        Pump();
    }
    void TearDown() override {
        if (MainWindow::Current()) DestroyWindow(MainWindow::Current()->Handle());
        Pump();
        SetMessageBoxAnswer(nullptr);
        SetFolderBrowserAnswer(nullptr);
    }
    HWND C(ControlId id) const { return window->Control(id); }
    void Click(ControlId id) {
        SendMessageA(C(id), BM_CLICK, 0, 0);
        Pump();
    }

    MainWindow* window = nullptr;
    std::string folderAnswer;
    std::vector<std::string> browserTitles;
    std::vector<ShownMessage> messages;
};

// A folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        char base[MAX_PATH] = {};
        GetTempPathA(sizeof base, base);
        static int serial = 0;
        path_ = std::string(base) + "quillmere-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() { Remove(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }  // without a trailing backslash
    std::string File(const std::string& name, const std::string& content = "x") const {
        const std::string full = path_ + "\\" + name;
        HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << full;
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
            CloseHandle(file);
        }
        return full;
    }
    std::string Folder(const std::string& name, DWORD attributes = 0) const {
        const std::string full = path_ + "\\" + name;
        EXPECT_TRUE(CreateDirectoryA(full.c_str(), nullptr)) << full;
        if (attributes) SetFileAttributesA(full.c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
        return full;
    }

private:
    static void Remove(const std::string& folder) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..") continue;
                const std::string full = folder + "\\" + name;
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Remove(full); else DeleteFileA(full.c_str());
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(folder.c_str());
    }
    std::string path_;
};

}  // namespace testsupport
