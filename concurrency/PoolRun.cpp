#include "concurrency/PoolRun.h"

#include "concurrency/MessageWaits.h"

#include <optional>

namespace {
constexpr int kPollMs = 10;
}  // namespace

PoolRunEnd RunRowsOnPool(WorkerPool& pool, const PoolRunSteps& steps) {
    auto cancelled = [&steps] { return steps.cancelled && steps.cancelled(); };
    pool.Stop();
    if (!pool.Start(std::nullopt, steps.maxThreads, std::nullopt, true)) return PoolRunEnd::NotStarted;
    if (cancelled()) return PoolRunEnd::Cancelled;
    if (steps.started) steps.started();

    int pending = steps.countPending();
    while (pending > 0) {
        PumpMessages();
        if (cancelled()) return PoolRunEnd::Cancelled;
        // Nothing handed out can finish on a pool that is no longer running.
        if (pool.State() == WorkerPool::Stopped) return PoolRunEnd::StoppedElsewhere;
        pending = steps.countPending();
        if (pool.IdleThreads() > 0 && pending > 0) steps.handOut(pending);
        if (steps.passPauseMs >= 0) {
            SleepPumping(steps.passPauseMs);
            if (cancelled()) return PoolRunEnd::Cancelled;
        }
    }
    if (steps.allHandedOut) steps.allHandedOut();

    for (;;) {
        if (pool.IsIdle()) {
            if (pool.State() == WorkerPool::Running) pool.Stop();
            while (pool.State() != WorkerPool::Stopped) {
                SleepPumping(kPollMs);
                if (cancelled()) return PoolRunEnd::Cancelled;
            }
            return PoolRunEnd::Completed;
        }
        if (pool.State() == WorkerPool::Stopped) return PoolRunEnd::StoppedElsewhere;
        SleepPumping(kPollMs);
        if (cancelled()) return PoolRunEnd::Cancelled;
    }
}
