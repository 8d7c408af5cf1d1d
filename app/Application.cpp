#include "app/Application.h"

#include "app/MainWindow.h"
#include "concurrency/MessageWaits.h"
#include "verify/FolderScan.h"

#include <ole2.h>

namespace {
ProcessHelper* g_helper = nullptr;
WorkerPool* g_pool = nullptr;
CriticalLock* g_lock = nullptr;
}  // namespace

ProcessHelper& TheProcessHelper() { return *g_helper; }
WorkerPool& ThePool() { return *g_pool; }
CriticalLock& TheLock() { return *g_lock; }

void CreateGlobals() {
    g_helper = new ProcessHelper;
    g_pool = new WorkerPool;
    g_lock = new CriticalLock;
}

void ReleaseGlobals() {
    delete g_helper;
    g_helper = nullptr;

    // The destructor's work: an Abandon stop, which does not wait for running tasks.
    g_pool->Stop(WorkerPool::Abandon, 0, false);
    const bool workersGone = g_pool->State() == WorkerPool::Stopped && g_pool->LiveThreads() == 0;
    if (workersGone) {
        delete g_pool;
        delete g_lock;
    }
    // Otherwise a task cut short may still take the lock, and its worker still touches the pool as
    // it leaves: both stay valid until the process ends, which follows at once.
    g_pool = nullptr;
    g_lock = nullptr;

    scanFolder.clear();
    scanFolder.shrink_to_fit();
}

int RunMessageLoop() {
    MSG message;
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) return 1;
        if (PreTranslateMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunApplication(HINSTANCE instance, int showCommand) {
    CreateGlobals();
    // The shell's folder browser and drag and drop need OLE on the window thread.
    OleInitialize(nullptr);
    int exitCode = 1;
    if (MainWindow::Create(instance, showCommand) != nullptr) exitCode = RunMessageLoop();
    ReleaseGlobals();
    OleUninitialize();
    return exitCode;
}
