#pragma once
#include "concurrency/ProcessObjects.h"

#include <windows.h>

// Start-up and shutdown of the program. TheProcessHelper, ThePool and TheLock
// (concurrency/ProcessObjects.h) are the three process-wide objects made here.

// Makes the utility object, the worker pool and the lock, in that order (those not made yet).
void CreateGlobals();
// Releases them in the same order, then the pages' own state. The pool is stopped without
// waiting; while any of its workers may still run a task, the three objects stay reachable for
// the process's end to take.
void ReleaseGlobals();

// Runs the window thread's message loop until WM_QUIT; gives its exit code.
int RunMessageLoop();

// The whole program: globals, main window, message loop, release. Gives the exit code: 0 after
// the window was closed.
int RunApplication(HINSTANCE instance, int showCommand);
