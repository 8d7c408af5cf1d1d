#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>

// Worker threads fed through one I/O completion port.
//
// Threads: the controlling thread (the window thread in the program) calls Start and Stop, one
// at a time; Submit and the getters may be called from any thread; the supervisor thread runs
// SupervisorMain; worker threads run WorkerMain and the tasks, which call WaitRunning and
// SignalTaskDone. There is no lock: counters change by interlocked operations, the remaining
// fields have one writer per step, and threads wait on kernel events.
//
// Lifetime: Stop in the Abandon modes returns before the workers have left, and the last worker
// still touches the pool as it leaves, so the storage of a pool stopped that way must outlive its
// workers (the program keeps its one pool for the life of the process).
class WorkerPool {
public:
    // A task gets two arguments: arg1 travels in the packet's byte count (32 bits) and arg2 in
    // its completion key, which is pointer-wide so that a heap record fits.
    using Task = void (*)(int32_t arg1, intptr_t arg2);

    enum State : LONG { Stopped = 0, Running = 1, Starting = 2, Stopping = 3 };
    enum StopMode : int { AbandonAndWait = 0, DrainAndWait = 1, Abandon = 2, Drain = 3 };

    WorkerPool() = default;
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void WorkerMain(int mode);
    void SupervisorMain();

    // An omitted (nullopt) parameter takes its documented default; every int is a value given.
    bool Start(std::optional<int> initialThreads = std::nullopt, std::optional<int> maxThreads = std::nullopt,
               std::optional<int> idleTimeoutMs = std::nullopt, bool pumpMessages = false, int stackSize = 0);
    bool Stop(int mode = AbandonAndWait, int timeoutMs = 0, bool pumpMessages = false);
    bool Pause();
    bool Resume();
    bool WaitRunning(DWORD timeoutMs = INFINITE);
    bool Submit(Task task, int32_t arg1 = 0, intptr_t arg2 = 0);
    bool SubmitAddress(uintptr_t taskAddress, int32_t arg1 = 0, intptr_t arg2 = 0);
    bool WaitTaskDone(int timeoutMs = -1, bool pumpMessages = false);
    bool SignalTaskDone();

    int IdleThreads() const { return liveThreads_ - busyThreads_; }
    int BusyThreads() const { return busyThreads_; }
    int QueuedTasks() const { return queuedTasks_; }
    int LiveThreads() const { return liveThreads_; }
    int MaxThreads() const { return maxThreads_; }
    bool IsIdle() const;
    int State() const { return state_; }
    int IdleTimeoutMs() const { return idleTimeoutMs_; }
    int StackSize() const { return stackSize_; }

    void SetMaxThreads(int count);
    void SetIdleTimeout(int milliseconds);
    void SetStackSize(int bytes = 0);

    // Tests only: called between the two counter changes of a worker taking a task, and between
    // the two reads of IsIdle, so that a test can hold those windows open.
    enum class CounterWindow { WorkerTakesTask, IsIdleReads };
    using CounterWindowProbe = void (*)(CounterWindow);
    static void SetCounterWindowProbeForTests(CounterWindowProbe probe);

    // Stack reservation settling of Start: below 8192 gives 8192, else whole 4096-byte pages.
    static int SettleStartStackSize(int bytes);
    // The same for SetStackSize, in whole 8192-byte units.
    static int SettleSetterStackSize(int bytes);

private:
    // A thread's entry binding: the pool and the mode the thread runs in. The records live in the
    // pool itself, so a thread never reads freed memory however late it is scheduled.
    struct EntryBinding {
        WorkerPool* pool;
        int mode;
    };
    static DWORD WINAPI WorkerEntry(void* binding);
    static DWORD WINAPI SupervisorEntry(void* binding);

    bool MakeEntryBindings();
    bool GrowthCheck() const;
    bool CreateWorker(int mode, int stack, DWORD flags);
    void CloseAllHandles();
    void TearDownAsLastWorker();
    static void CloseTaken(HANDLE volatile* field, bool signalFirst = false);

    bool workerEntryMade_ = false;
    bool supervisorEntryMade_ = false;
    EntryBinding workerEntry_[2] = {{nullptr, 0}, {nullptr, 1}};
    EntryBinding supervisorEntry_ = {nullptr, 0};
    volatile LONG state_ = Stopped;
    HANDLE volatile port_ = nullptr;
    volatile LONG acceptTasks_ = 0;
    HANDLE volatile wakeSupervisor_ = nullptr;
    HANDLE volatile threadSignal_ = nullptr;
    HANDLE volatile taskDone_ = nullptr;
    HANDLE volatile runGate_ = nullptr;
    volatile LONG liveThreads_ = 0;
    volatile LONG busyThreads_ = 0;
    volatile LONG queuedTasks_ = 0;
    // Workers created and not yet running WorkerMain: the growth check counts them as alive, or a
    // slow start would let the supervisor create one more than the ceiling.
    volatile LONG startingThreads_ = 0;
    HANDLE supervisorThread_ = nullptr;
    volatile LONG maxThreads_ = 0;
    volatile LONG idleTimeoutMs_ = 0;
    volatile LONG stackSize_ = 0;
};

// Milliseconds from the performance counter, truncated; the frequency is read once.
int64_t NowMs();
