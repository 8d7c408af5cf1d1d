#pragma once
#include "concurrency/WorkerPool.h"

#include <functional>

// The contract both long runs keep with the pool. Window thread only; it dispatches messages
// whenever it waits, so other handlers may run inside it.
//
//   1. Stop whatever an earlier run left, then start the pool with the page's thread count
//      (five workers at least, pumping while they come up).
//   2. Each pass: dispatch pending messages, count the pending rows, and when a worker is idle
//      hand out one row; then the page's pause. Passes go on while the last count was above 0.
//   3. Every 10 ms, until the pool is idle: then stop it and wait, still dispatching, until it
//      has stopped. The caller reports.
// The run leaves early, without stopping the pool, when `cancelled` says so after a dispatch (the
// window is closing: the program's end stops the pool), or when the pool was stopped by other
// means (no report is due then).
struct PoolRunSteps {
    int maxThreads = 0;
    // The pool has started: the page shows the run under way.
    std::function<void()> started;
    std::function<int()> countPending;
    // One row, when a worker is idle and the count just made is above 0.
    std::function<void(int pending)> handOut;
    // SleepPumping after each pass; below 0 a pass only dispatches.
    int passPauseMs = -1;
    // Every row is out; tasks may still be running.
    std::function<void()> allHandedOut;
    std::function<bool()> cancelled;
};

enum class PoolRunEnd {
    NotStarted,        // the pool would not start; nothing was handed out
    Completed,         // every task ended and the pool stopped: report
    StoppedElsewhere,  // the pool stopped while rows were out or pending: no report
    Cancelled,         // the window is closing
};

PoolRunEnd RunRowsOnPool(WorkerPool& pool, const PoolRunSteps& steps);
