#pragma once
#include "concurrency/CriticalLock.h"
#include "concurrency/ProcessHelper.h"
#include "concurrency/WorkerPool.h"

#include <windows.h>

// The three process-wide objects, made before the main window and released after its loop.
ProcessHelper& TheProcessHelper();
WorkerPool& ThePool();
CriticalLock& TheLock();

// Makes the utility object, the worker pool and the lock, in that order.
void CreateGlobals();
// Releases them in the same order. The pool is stopped without waiting; while any of its workers
// may still run a task, the pool's storage and the lock are left for the process's end to take.
void ReleaseGlobals();

// Runs the window thread's message loop until WM_QUIT; gives its exit code.
int RunMessageLoop();

// The whole program: globals, main window, message loop, release.
int RunApplication(HINSTANCE instance, int showCommand);
