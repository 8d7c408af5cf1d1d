// How many empty tasks per second the pool runs, from Submit to completion, and whether Submit
// allocates: every heap allocation made through operator new is counted.
#include "concurrency/WorkerPool.h"

#include <atomic>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
std::atomic<long> g_done{0};
void EmptyTask(int32_t, intptr_t) { g_done.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

void* operator new(size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
    const long tasks = argc > 1 ? std::atol(argv[1]) : 50000;
    WorkerPool pool;
    for (int workers : {1, 2, 4}) {
        if (!pool.Start(workers, workers)) {
            std::printf("pool did not start\n");
            return 1;
        }
        g_done = 0;
        const long allocationsBefore = g_allocations.load();
        const int64_t start = NowMs();
        long submitted = 0;
        for (long i = 0; i < tasks; ++i) submitted += pool.Submit(&EmptyTask, static_cast<int32_t>(i)) ? 1 : 0;
        const long allocationsDuringSubmit = g_allocations.load() - allocationsBefore;
        while (!pool.IsIdle()) Sleep(0);
        const int64_t elapsed = NowMs() - start;
        pool.Stop(WorkerPool::AbandonAndWait);
        std::printf("workers %d: %ld tasks in %lld ms = %.0f tasks/s; ran %ld; allocations during Submit: %ld\n",
                    workers, submitted, static_cast<long long>(elapsed),
                    elapsed > 0 ? submitted * 1000.0 / elapsed : 0.0, g_done.load(), allocationsDuringSubmit);
        if (g_done.load() != submitted || allocationsDuringSubmit != 0) return 1;
    }
    return 0;
}
