#include "concurrency/WorkerPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Polls a condition for up to timeoutMs; tests state what they wait for instead of sleeping blind.
template <typename Condition>
bool Eventually(Condition condition, int timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
        Sleep(2);
    }
    return true;
}

// Tasks are plain functions, so the shared state of a test lives here.
struct Blocker {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    ~Blocker() { CloseHandle(release); }
};
Blocker* g_blocker = nullptr;

void BlockingTask(int32_t, intptr_t) {
    ++g_blocker->started;
    WaitForSingleObject(g_blocker->release, 10000);
    ++g_blocker->finished;
}

std::atomic<int> g_counter{0};
void CountingTask(int32_t, intptr_t) { ++g_counter; }

class WorkerPoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_blocker = &blocker;
        g_counter = 0;
    }
    void TearDown() override {
        SetEvent(blocker.release);
        // A pool's storage must outlive its workers: always leave through a waiting stop.
        pool.Stop(WorkerPool::AbandonAndWait);
        EXPECT_TRUE(Eventually([&] { return pool.State() == WorkerPool::Stopped; }));
    }
    void ExpectStoppedAndZero() {
        EXPECT_EQ(pool.State(), WorkerPool::Stopped);
        EXPECT_EQ(pool.LiveThreads(), 0);
        EXPECT_EQ(pool.BusyThreads(), 0);
        EXPECT_EQ(pool.QueuedTasks(), 0);
    }
    Blocker blocker;
    WorkerPool pool;
};

constexpr std::nullopt_t O = std::nullopt;

TEST_F(WorkerPoolTest, StartSettlesItsParameters) {
    struct Case {
        std::optional<int> initial, max, idle;
        int stack;
        int wantLive, wantMax, wantIdle, wantStack;
    };
    const Case cases[] = {
        {O, O, O, 0, 5, 20, 10000, 0},
        {0, O, O, 0, 1, 20, 10000, 0},
        {-4, O, O, 0, 1, 20, 10000, 0},
        {O, 3, O, 0, 5, 5, 10000, 0},
        {30, O, O, 0, 30, 30, 10000, 0},
        {2, -1, 50, 100, 2, 2, 100, 8192},
        {1, 8, 250, 4096 * 7 / 2, 1, 8, 250, 4096 * 3},
        {1, 8, O, 65536 + 1, 1, 8, 10000, 65536},
        // Given values are never taken for omitted ones, the smallest int included.
        {O, INT32_MIN, O, 0, 5, 5, 10000, 0},
        {INT32_MIN, 2, INT32_MIN, 0, 1, 2, 100, 0},
    };
    auto text = [](const std::optional<int>& value) { return value ? std::to_string(*value) : std::string("omitted"); };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "initial " << text(c.initial) << " max " << text(c.max) << " idle "
                                        << text(c.idle) << " stack " << c.stack);
        ASSERT_TRUE(pool.Start(c.initial, c.max, c.idle, false, c.stack));
        EXPECT_EQ(pool.State(), WorkerPool::Running);
        EXPECT_EQ(pool.LiveThreads(), c.wantLive);
        EXPECT_EQ(pool.MaxThreads(), c.wantMax);
        EXPECT_EQ(pool.IdleTimeoutMs(), c.wantIdle);
        EXPECT_EQ(pool.StackSize(), c.wantStack);
        EXPECT_TRUE(pool.Stop());
        ExpectStoppedAndZero();
    }
}

TEST_F(WorkerPoolTest, SettersSettleTheirValuesOnlyWhileRunning) {
    pool.SetMaxThreads(9);
    pool.SetIdleTimeout(500);
    pool.SetStackSize(65536);
    EXPECT_EQ(pool.MaxThreads(), 0);
    EXPECT_EQ(pool.IdleTimeoutMs(), 0);
    EXPECT_EQ(pool.StackSize(), 0);

    ASSERT_TRUE(pool.Start(1, 4));
    struct Case {
        int value, wantMax, wantIdle, wantStack;
    };
    const Case cases[] = {
        {0, 1, 100, 0},
        {-7, 1, 100, 8192},
        {100, 100, 100, 8192},
        {4096 * 7 / 2, 4096 * 7 / 2, 4096 * 7 / 2, 8192},
        {20000, 20000, 20000, 16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        pool.SetMaxThreads(c.value);
        pool.SetIdleTimeout(c.value);
        pool.SetStackSize(c.value);
        EXPECT_EQ(pool.MaxThreads(), c.wantMax);
        EXPECT_EQ(pool.IdleTimeoutMs(), c.wantIdle);
        EXPECT_EQ(pool.StackSize(), c.wantStack);
    }
}

TEST_F(WorkerPoolTest, StateChangesOfStartAndStop) {
    EXPECT_TRUE(pool.Stop()) << "stopping a stopped pool succeeds at once";
    EXPECT_FALSE(pool.Submit(&CountingTask)) << "a stopped pool takes no task";
    EXPECT_EQ(pool.QueuedTasks(), 0);
    EXPECT_FALSE(pool.Pause());
    EXPECT_FALSE(pool.WaitRunning(0));

    ASSERT_TRUE(pool.Start(2, 4));
    EXPECT_FALSE(pool.Start(3, 9)) << "a running pool cannot start again";
    EXPECT_EQ(pool.LiveThreads(), 2);
    EXPECT_EQ(pool.MaxThreads(), 4);
    EXPECT_FALSE(pool.Submit(nullptr));
    EXPECT_TRUE(pool.Stop(7)) << "an unknown mode waits like mode 0";
    ExpectStoppedAndZero();

    // Restart after a waiting stop reuses the pool and runs tasks again.
    ASSERT_TRUE(pool.Start(2, 2));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(pool.Submit(&CountingTask, i, i));
    EXPECT_TRUE(Eventually([&] { return g_counter == 10 && pool.IsIdle(); }));
    EXPECT_TRUE(pool.Stop(WorkerPool::DrainAndWait));
    ExpectStoppedAndZero();
}

struct ArgsSeen {
    std::atomic<int32_t> arg1{0};
    std::atomic<intptr_t> arg2{0};
} g_args;
void RecordArgsTask(int32_t arg1, intptr_t arg2) {
    g_args.arg1 = arg1;
    g_args.arg2 = arg2;
}

TEST_F(WorkerPoolTest, TaskReceivesBothArgumentsWhole) {
    ASSERT_TRUE(pool.Start(1, 1));
    static int record = 0;
    const intptr_t pointer = reinterpret_cast<intptr_t>(&record);
    ASSERT_TRUE(pool.Submit(&RecordArgsTask, -123456, pointer));
    EXPECT_TRUE(Eventually([&] { return g_args.arg2.load() == pointer; }));
    EXPECT_EQ(g_args.arg1.load(), -123456);
}

// Each submitted task owns one flag; IsIdle must never be seen true before its task has ended.
std::vector<std::atomic<char>>* g_done = nullptr;
void FlagTask(int32_t index, intptr_t) { (*g_done)[index].store(1); }

TEST_F(WorkerPoolTest, IsIdleNeverTrueWhileASubmittedTaskIsPending) {
    constexpr int kPerThread = 20000;
    std::vector<std::atomic<char>> done(2 * kPerThread);
    for (auto& flag : done) flag.store(0);
    g_done = &done;
    ASSERT_TRUE(pool.Start(4, 8));

    std::atomic<int> violations{0};
    std::atomic<int> refused{0};
    auto submitter = [&](int first) {
        for (int i = first; i < first + kPerThread; ++i) {
            if (!pool.Submit(&FlagTask, i)) {
                ++refused;
                continue;
            }
            if (pool.IsIdle() && done[i].load() == 0) ++violations;
        }
    };
    std::thread a(submitter, 0), b(submitter, kPerThread);
    a.join();
    b.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(violations.load(), 0);
    ASSERT_TRUE(Eventually([&] { return pool.IsIdle(); }, 20000));
    int ran = 0;
    for (auto& flag : done) ran += flag.load();
    EXPECT_EQ(ran, 2 * kPerThread) << "idle came before every task had run";
    g_done = nullptr;
}

// The counters' order matters only inside windows a few instructions wide. Held open here, a
// worker taking its task and IsIdle reading the counters each pause long enough for the other
// side to look in: with either order swapped, IsIdle would be seen true for a task still to end.
std::atomic<int> g_slowTaskEnded{0};
void SlowTask(int32_t, intptr_t) {
    Sleep(8);
    g_slowTaskEnded = 1;
}
void HoldCounterWindowOpen(WorkerPool::CounterWindow) { Sleep(4); }

TEST_F(WorkerPoolTest, IsIdleStaysFalseWithTheCounterWindowsHeldOpen) {
    ASSERT_TRUE(pool.Start(1, 1));
    WorkerPool::SetCounterWindowProbeForTests(&HoldCounterWindowOpen);
    int violations = 0;
    for (int i = 0; i < 30; ++i) {
        g_slowTaskEnded = 0;
        ASSERT_TRUE(pool.Submit(&SlowTask));
        const DWORD start = GetTickCount();
        while (g_slowTaskEnded == 0 && GetTickCount() - start < 5000) {
            if (pool.IsIdle() && g_slowTaskEnded == 0) ++violations;
        }
        ASSERT_TRUE(Eventually([&] { return pool.IsIdle(); }));
    }
    WorkerPool::SetCounterWindowProbeForTests(nullptr);
    EXPECT_EQ(violations, 0);
}

TEST_F(WorkerPoolTest, GrowsToItsCeilingWhileEveryWorkerIsBusy) {
    ASSERT_TRUE(pool.Start(2, 6));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(pool.Submit(&BlockingTask));
    EXPECT_TRUE(Eventually([&] { return pool.LiveThreads() == 6 && blocker.started == 6; }));
    Sleep(100);
    EXPECT_EQ(pool.LiveThreads(), 6) << "never beyond the ceiling";
    EXPECT_EQ(pool.BusyThreads(), 6);
    EXPECT_EQ(pool.QueuedTasks(), 4);
    EXPECT_EQ(pool.IdleThreads(), 0);
    SetEvent(blocker.release);
    EXPECT_TRUE(Eventually([&] { return blocker.finished == 10 && pool.IsIdle(); }));
}

// Every thread started while this is set sleeps in the loader's thread attach before it reaches
// its entry point, as on a machine too loaded to schedule it: the supervisor then waits for a
// start signal longer than it would wait.
std::atomic<DWORD> g_threadStartDelayMs{0};
void NTAPI DelayThreadStart(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_THREAD_ATTACH && g_threadStartDelayMs.load() > 0) Sleep(g_threadStartDelayMs.load());
}
extern "C" __attribute__((section(".CRT$XLY"), used)) const PIMAGE_TLS_CALLBACK g_delayThreadStart = DelayThreadStart;

TEST_F(WorkerPoolTest, KeepsItsCeilingWhenWorkersAreSlowToStart) {
    ASSERT_TRUE(pool.Start(2, 4));
    g_threadStartDelayMs = 1300;  // past the supervisor's wait of 2 ms per worker and a second
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(pool.Submit(&BlockingTask));
    int mostAlive = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 4500) {
        mostAlive = std::max(mostAlive, static_cast<int>(pool.LiveThreads()));
        Sleep(5);
    }
    g_threadStartDelayMs = 0;
    EXPECT_EQ(mostAlive, 4) << "the ceiling holds with workers created and not yet running";
    EXPECT_EQ(pool.LiveThreads(), 4);
    SetEvent(blocker.release);
    EXPECT_TRUE(Eventually([&] { return blocker.finished == 10 && pool.IsIdle(); }));
}

void ThrowingTask(int32_t, intptr_t) { throw std::runtime_error("a task's own fault"); }

TEST_F(WorkerPoolTest, ATaskThatThrowsCountsAsFinishedAndTheWorkerGoesOn) {
    ASSERT_TRUE(pool.Start(1, 1));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(pool.Submit(&ThrowingTask));
    ASSERT_TRUE(pool.Submit(&CountingTask));
    EXPECT_TRUE(Eventually([&] { return g_counter == 1 && pool.IsIdle(); }));
    EXPECT_EQ(pool.LiveThreads(), 1) << "the one worker survived its tasks";
    EXPECT_EQ(pool.BusyThreads(), 0);
}

TEST_F(WorkerPoolTest, ExtraWorkersLeaveAfterTheIdleTimeoutInitialOnesStay) {
    ASSERT_TRUE(pool.Start(2, 5, 150));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(pool.Submit(&BlockingTask));
    ASSERT_TRUE(Eventually([&] { return pool.LiveThreads() == 5; }));
    SetEvent(blocker.release);
    ASSERT_TRUE(Eventually([&] { return blocker.finished == 5; }));
    EXPECT_TRUE(Eventually([&] { return pool.LiveThreads() == 2; }, 3000));
    Sleep(600);
    EXPECT_EQ(pool.LiveThreads(), 2) << "workers made by Start never time out";
    EXPECT_EQ(pool.State(), WorkerPool::Running);
}

TEST_F(WorkerPoolTest, PausedPoolHoldsTakenTasksAndAbandonDropsThem) {
    ASSERT_TRUE(pool.Start(2, 2));
    ASSERT_TRUE(pool.Pause());
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(pool.Submit(&CountingTask));
    EXPECT_FALSE(pool.WaitRunning(50)) << "the gate is closed";
    Sleep(200);
    EXPECT_EQ(g_counter.load(), 0) << "a paused pool runs nothing";
    EXPECT_EQ(pool.QueuedTasks(), 4);
    EXPECT_TRUE(pool.Stop(WorkerPool::AbandonAndWait));
    EXPECT_EQ(g_counter.load(), 0) << "taken tasks are dropped unrun";
    ExpectStoppedAndZero();
}

TEST_F(WorkerPoolTest, ResumeLetsHeldTasksRun) {
    ASSERT_TRUE(pool.Start(2, 2));
    ASSERT_TRUE(pool.Pause());
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(pool.Submit(&CountingTask));
    Sleep(100);
    EXPECT_EQ(g_counter.load(), 0);
    ASSERT_TRUE(pool.Resume());
    EXPECT_TRUE(pool.WaitRunning());
    EXPECT_TRUE(Eventually([&] { return g_counter == 4 && pool.IsIdle(); }));
}

struct StoppingSeen {
    std::atomic<int> waitRunningTrue{0};
    std::atomic<int> waitRunningFalse{0};
} g_stopping;
WorkerPool* g_poolUnderTest = nullptr;
void ReportWaitRunningTask(int32_t, intptr_t) {
    if (g_poolUnderTest->WaitRunning()) ++g_stopping.waitRunningTrue; else ++g_stopping.waitRunningFalse;
}

TEST_F(WorkerPoolTest, WaitRunningAndSignalTaskDoneFailWhileStopping) {
    g_poolUnderTest = &pool;
    ASSERT_TRUE(pool.Start(1, 1));
    ASSERT_TRUE(pool.Submit(&BlockingTask));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(pool.Submit(&ReportWaitRunningTask));
    ASSERT_TRUE(Eventually([&] { return blocker.started == 1; }));
    EXPECT_TRUE(pool.SignalTaskDone());

    ASSERT_TRUE(pool.Stop(WorkerPool::Drain)) << "Drain returns at once";
    EXPECT_EQ(pool.State(), WorkerPool::Stopping);
    EXPECT_FALSE(pool.WaitRunning(0));
    EXPECT_FALSE(pool.SignalTaskDone());
    EXPECT_FALSE(pool.Submit(&CountingTask));
    EXPECT_FALSE(pool.Stop()) << "a second stop while stopping changes nothing";

    SetEvent(blocker.release);
    EXPECT_TRUE(Eventually([&] { return pool.State() == WorkerPool::Stopped; }));
    EXPECT_EQ(g_stopping.waitRunningFalse.load(), 3) << "drained tasks run and learn the pool is stopping";
    EXPECT_EQ(g_stopping.waitRunningTrue.load(), 0);
    ExpectStoppedAndZero();
}

TEST_F(WorkerPoolTest, WaitTaskDoneSeesCompletionsAndTimesOut) {
    ASSERT_TRUE(pool.Start(1, 1));
    EXPECT_FALSE(pool.WaitTaskDone(60, true)) << "nothing ran";
    ASSERT_TRUE(pool.Submit(&CountingTask));
    EXPECT_TRUE(pool.WaitTaskDone(5000, false));
    ASSERT_TRUE(pool.Submit(&CountingTask));
    EXPECT_TRUE(pool.WaitTaskDone(5000, true));
}

}  // namespace
