// Ending the program: closing the window while pool tasks run, closing it with its close box,
// and a crash, each in a child process that runs this test program again with a flag.
#include "app/Application.h"
#include "app/MainWindow.h"

#include "../support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr const char kBusyChildFlag[] = "--close-while-busy";
constexpr const char kCloseBoxChildFlag[] = "--close-box";
constexpr const char kCrashChildFlag[] = "--crash";
constexpr DWORD kAccessViolation = 0xC0000005;

void LongTaskUnderLock(int32_t, intptr_t) {
    // Runs far longer than the test waits, taking and leaving the lock as real tasks do.
    for (int i = 0; i < 3000; ++i) {
        CriticalLockGuard guard(TheLock());
        Sleep(10);
    }
}

int RunBusyChild() {
    CreateGlobals();
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 10;
    if (!ThePool().Start(std::nullopt, 8, std::nullopt, true)) return 11;
    for (int i = 0; i < 20; ++i) {
        if (!ThePool().Submit(&LongTaskUnderLock, i)) return 12;
    }
    // Close once the workers are deep in their tasks.
    SetTimer(window->Handle(), 1, 300, [](HWND hwnd, UINT, UINT_PTR, DWORD) {
        KillTimer(hwnd, 1);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    const int code = RunMessageLoop();
    if (ThePool().BusyThreads() == 0) return 13;  // the tasks had to be running at the close
    ReleaseGlobals();
    // The tasks go on taking the lock while the process ends.
    Sleep(500);
    return code;
}

int RunCrashChild() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

TEST(Shutdown, ClosingTheWindowWhileTasksRunEndsTheProgramAtOnce) {
    const testsupport::ChildResult child = testsupport::RunSelfWithFlag(kBusyChildFlag, 15000);
    ASSERT_TRUE(child.ended) << "the program did not end";
    EXPECT_EQ(child.exitCode, 0u) << "a clean end of the message loop and release";
    EXPECT_LT(child.elapsedMs, 10000u) << "it must not wait for the 30-second tasks";
}

// The child's main window, once it is up.
HWND FindWindowOfProcess(DWORD processId, DWORD timeoutMs) {
    struct Search {
        DWORD processId;
        HWND found;
    } search = {processId, nullptr};
    const DWORD start = GetTickCount();
    while (search.found == nullptr && GetTickCount() - start < timeoutMs) {
        EnumWindows(
            [](HWND hwnd, LPARAM context) -> BOOL {
                auto* s = reinterpret_cast<Search*>(context);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                char name[64] = {};
                GetClassNameA(hwnd, name, sizeof name);
                if (owner != s->processId || std::strcmp(name, MainWindow::kClassName) != 0 || !IsWindowVisible(hwnd))
                    return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(50);
    }
    return search.found;
}

// Where the window's close box answers a hit test, in screen coordinates.
bool FindCloseBox(HWND window, POINT& at) {
    RECT frame;
    GetWindowRect(window, &frame);
    for (int y = frame.top; y < frame.top + 40; ++y) {
        for (int x = frame.right - 1; x > frame.right - 80; --x) {
            if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                at = {x, y};
                return true;
            }
        }
    }
    return false;
}

void ClickAt(POINT at) {
    SetCursorPos(at.x, at.y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &clicks[0], sizeof(INPUT));
    Sleep(100);
    SendInput(1, &clicks[1], sizeof(INPUT));
}

TEST(Shutdown, TheCloseBoxEndsTheProgramWithExitCodeZero) {
    testsupport::ChildResult child;
    bool clicked = false;
    testsupport::RunSelfWithFlag(kCloseBoxChildFlag, 20000, [&](const PROCESS_INFORMATION& process) {
        const HWND window = FindWindowOfProcess(process.dwProcessId, 10000);
        ASSERT_NE(window, nullptr) << "the program's window never appeared";
        Sleep(300);
        POINT box = {};
        ASSERT_TRUE(FindCloseBox(window, box));
        ClickAt(box);
        clicked = true;
    }, &child);
    ASSERT_TRUE(clicked);
    ASSERT_TRUE(child.ended) << "the close box did not end the program";
    EXPECT_EQ(child.exitCode, 0u);
}

TEST(Shutdown, ACrashEndsTheProgramAtOnceWithItsFault) {
    const testsupport::ChildResult child = testsupport::RunSelfWithFlag(kCrashChildFlag, 30000);
    ASSERT_TRUE(child.ended) << "the crashed program waited instead of ending";
    EXPECT_EQ(child.exitCode, kAccessViolation);
    EXPECT_LT(child.elapsedMs, 15000u);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kBusyChildFlag) == 0) return RunBusyChild();
    if (argc > 1 && std::strcmp(argv[1], kCloseBoxChildFlag) == 0)
        return RunApplication(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    if (argc > 1 && std::strcmp(argv[1], kCrashChildFlag) == 0) return RunCrashChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
