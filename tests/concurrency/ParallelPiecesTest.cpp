#include "concurrency/ParallelPieces.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Work that keeps a processor busy for about the given time.
void Spin(int ms) {
    const DWORD start = GetTickCount();
    volatile unsigned sink = 0;
    while (GetTickCount() - start < static_cast<DWORD>(ms)) sink = sink * 31 + 7;
}

TEST(ParallelPieces, EveryPieceRunsOnceAndTheCallReturnsAfterTheLast) {
    for (size_t count : {0u, 1u, 2u, 7u}) {
        std::vector<std::atomic<int>> runs(count);
        std::vector<std::function<void()>> pieces;
        for (size_t i = 0; i < count; ++i) pieces.push_back([&runs, i] {
            Spin(5);
            ++runs[i];
        });
        RunPiecesInParallel(pieces);
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << count << " pieces, piece " << i;
    }
}

TEST(ParallelPieces, TwoPiecesOfOneCallRunAtTheSameTime) {
    if (ParallelPieceThreads() < 2) GTEST_SKIP() << "one processor";
    // Each piece waits for the other to have started: run one after the other, the first would
    // give up after two seconds.
    std::atomic<int> started{0};
    std::atomic<int> metTheOther{0};
    auto piece = [&] {
        ++started;
        const DWORD start = GetTickCount();
        while (started < 2 && GetTickCount() - start < 2000) Sleep(1);
        metTheOther += started == 2;
    };
    RunPiecesInParallel({piece, piece});
    EXPECT_EQ(metTheOther.load(), 2);
}

TEST(ParallelPieces, ManyCallersAtOnceNeverRunMorePiecesThanProcessors) {
    const int threads = ParallelPieceThreads();
    ASSERT_GE(threads, 1);
    std::atomic<int> running{0}, peak{0}, done{0};
    auto piece = [&] {
        const int now = ++running;
        int seen = peak;
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
        Spin(3);
        --running;
        ++done;
    };
    std::vector<std::thread> callers;
    for (int c = 0; c < 8; ++c) {
        callers.emplace_back([&] {
            for (int i = 0; i < 10; ++i) RunPiecesInParallel({piece, piece});
        });
    }
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(done.load(), 8 * 10 * 2);
    EXPECT_LE(peak.load(), threads);
    if (threads >= 2) {
        EXPECT_GE(peak.load(), 2) << "the callers' pieces ran side by side";
    }
}

TEST(ParallelPieces, APieceThatThrowsCountsAsDoneAndTheThreadsServeOn) {
    bool after = false;
    RunPiecesInParallel({[] { throw std::runtime_error("piece"); }, [&] { after = true; }});
    EXPECT_TRUE(after);
    for (int i = 0; i < ParallelPieceThreads() + 1; ++i) RunPiecesInParallel({[] { throw 1; }});
    int value = 0;
    RunPiecesInParallel({[&] { value = 42; }});
    EXPECT_EQ(value, 42) << "no thread was lost to a throw";
}

}  // namespace
