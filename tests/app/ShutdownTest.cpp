// Closing the window while pool tasks run: the program is started in a child process that runs
// the real start-up, keeps every worker busy under the lock, and has its window closed.
#include "app/Application.h"
#include "app/MainWindow.h"

#include "../support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr const char kBusyChildFlag[] = "--close-while-busy";

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
    return code;
}

TEST(Shutdown, ClosingTheWindowWhileTasksRunEndsTheProgramAtOnce) {
    const testsupport::ChildResult child = testsupport::RunSelfWithFlag(kBusyChildFlag, 15000);
    ASSERT_TRUE(child.ended) << "the program did not end";
    EXPECT_EQ(child.exitCode, 0u) << "a clean end of the message loop and release";
    EXPECT_LT(child.elapsedMs, 10000u) << "it must not wait for the 30-second tasks";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kBusyChildFlag) == 0) return RunBusyChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
