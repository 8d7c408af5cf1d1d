#include "concurrency/WorkerPool.h"

#include "concurrency/MessageWaits.h"

#include <atomic>

namespace {
constexpr DWORD kStopBytes = 0xFFFFFFFFu;
constexpr ULONG_PTR kStopKey = static_cast<ULONG_PTR>(-1);
LPOVERLAPPED const kStopPacket = reinterpret_cast<LPOVERLAPPED>(static_cast<intptr_t>(-2));
constexpr int kMaxConsecutiveFailures = 5;
constexpr DWORD kSlice = 20;

double g_counterFrequency = 0;
std::atomic<WorkerPool::CounterWindowProbe> g_counterWindowProbe{nullptr};

void ProbeCounterWindow(WorkerPool::CounterWindow window) {
    if (WorkerPool::CounterWindowProbe probe = g_counterWindowProbe.load(std::memory_order_relaxed)) probe(window);
}

// A task is a plain function of the caller's; whatever it throws must not end the worker's
// thread, and with it the process. It counts as finished.
void RunTask(WorkerPool::Task task, DWORD arg1, ULONG_PTR arg2) noexcept {
    try {
        task(static_cast<int32_t>(arg1), static_cast<intptr_t>(arg2));
    } catch (...) {
    }
}

DWORD AnnounceWait(LONG threads) { return static_cast<DWORD>(threads) * 2 + 1000; }
}  // namespace

int64_t NowMs() {
    if (g_counterFrequency == 0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        g_counterFrequency = static_cast<double>(frequency.QuadPart);
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<int64_t>(static_cast<double>(counter.QuadPart) * 1000.0 / g_counterFrequency);
}

WorkerPool::~WorkerPool() {
    Stop(Abandon, 0, false);
    workerEntryMade_ = false;
    supervisorEntryMade_ = false;
}

int WorkerPool::SettleStartStackSize(int bytes) {
    if (bytes == 0) return 0;
    if (bytes < 8192) return 8192;
    return bytes / 4096 * 4096;
}

int WorkerPool::SettleSetterStackSize(int bytes) {
    if (bytes == 0) return 0;
    if (bytes < 8192) return 8192;
    return bytes / 8192 * 8192;
}

DWORD WINAPI WorkerPool::WorkerEntry(void* binding) {
    const EntryBinding* entry = static_cast<const EntryBinding*>(binding);
    entry->pool->WorkerMain(entry->mode);
    return 0;
}

DWORD WINAPI WorkerPool::SupervisorEntry(void* binding) {
    static_cast<const EntryBinding*>(binding)->pool->SupervisorMain();
    return 0;
}

bool WorkerPool::MakeEntryBindings() {
    if (!workerEntryMade_) {
        workerEntry_[0] = {this, 0};
        workerEntry_[1] = {this, 1};
        workerEntryMade_ = true;
    }
    if (!supervisorEntryMade_) {
        supervisorEntry_ = {this, 0};
        supervisorEntryMade_ = true;
    }
    return workerEntryMade_ && supervisorEntryMade_;
}

void WorkerPool::SetCounterWindowProbeForTests(CounterWindowProbe probe) { g_counterWindowProbe = probe; }

bool WorkerPool::GrowthCheck() const {
    const LONG alive = liveThreads_ + startingThreads_;
    return alive < maxThreads_ && busyThreads_ + queuedTasks_ > alive;
}

bool WorkerPool::IsIdle() const {
    // Order matters: a worker raises busy before lowering queued, Submit raises queued first.
    if (queuedTasks_ != 0) return false;
    MemoryBarrier();
    ProbeCounterWindow(CounterWindow::IsIdleReads);
    return busyThreads_ == 0;
}

bool WorkerPool::CreateWorker(int mode, int stack, DWORD flags) {
    InterlockedIncrement(&startingThreads_);
    HANDLE thread = CreateThread(nullptr, static_cast<SIZE_T>(stack), &WorkerEntry, &workerEntry_[mode != 0 ? 1 : 0],
                                 flags, nullptr);
    if (thread == nullptr) {
        InterlockedDecrement(&startingThreads_);
        return false;
    }
    CloseHandle(thread);
    return true;
}

void WorkerPool::CloseAllHandles() {
    HANDLE* handles[] = {const_cast<HANDLE*>(&wakeSupervisor_), const_cast<HANDLE*>(&port_),
                         const_cast<HANDLE*>(&threadSignal_),  const_cast<HANDLE*>(&taskDone_),
                         const_cast<HANDLE*>(&runGate_),       &supervisorThread_};
    for (HANDLE* handle : handles) {
        if (*handle != nullptr) CloseHandle(*handle);
        *handle = nullptr;
    }
}

bool WorkerPool::Start(std::optional<int> initialThreads, std::optional<int> maxThreads, std::optional<int> idleTimeoutMs,
                       bool pumpMessages, int stackSize) {
    if (InterlockedCompareExchange(&state_, Starting, Stopped) != Stopped) return false;

    const int initial = !initialThreads ? 5 : (*initialThreads < 1 ? 1 : *initialThreads);
    int ceiling = maxThreads ? *maxThreads : 20;
    if (ceiling < initial) ceiling = initial;
    maxThreads_ = ceiling;
    idleTimeoutMs_ = !idleTimeoutMs ? 10000 : (*idleTimeoutMs < 100 ? 100 : *idleTimeoutMs);
    stackSize_ = SettleStartStackSize(stackSize);
    const DWORD stackFlag = stackSize_ != 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0;

    if (!MakeEntryBindings()) {
        InterlockedExchange(&state_, Stopped);
        return false;
    }

    port_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 0);
    if (port_ == nullptr) {
        InterlockedExchange(&state_, Stopped);
        return false;
    }
    wakeSupervisor_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    threadSignal_ = wakeSupervisor_ ? CreateEventA(nullptr, FALSE, FALSE, nullptr) : nullptr;
    taskDone_ = threadSignal_ ? CreateEventA(nullptr, FALSE, FALSE, nullptr) : nullptr;
    runGate_ = taskDone_ ? CreateEventA(nullptr, TRUE, TRUE, nullptr) : nullptr;
    if (runGate_ == nullptr) {
        CloseAllHandles();
        InterlockedExchange(&state_, Stopped);
        return false;
    }

    supervisorThread_ = CreateThread(nullptr, 8192, &SupervisorEntry, &supervisorEntry_,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (supervisorThread_ == nullptr) {
        CloseAllHandles();
        InterlockedExchange(&state_, Stopped);
        return false;
    }

    acceptTasks_ = 1;
    liveThreads_ = 0;
    busyThreads_ = 0;
    queuedTasks_ = 0;

    int created = 0;
    int failuresInRow = 0;
    for (int i = 0; i < initial && failuresInRow < kMaxConsecutiveFailures; ++i) {
        if (CreateWorker(0, stackSize_, stackFlag)) {
            ++created;
            failuresInRow = 0;
        } else {
            ++failuresInRow;
        }
        if (pumpMessages) PumpMessages();
    }

    if (created > 0) {
        const DWORD limit = AnnounceWait(created);
        while (WaitForSingleObject(threadSignal_, limit) == WAIT_OBJECT_0 && liveThreads_ < created) {
            if (pumpMessages) PumpMessages();
        }
    }

    if (liveThreads_ == 0) {
        // Let the supervisor see that the pool never ran, so it ends before its handles close.
        SetEvent(wakeSupervisor_);
        for (int i = 0; i < 11; ++i) {
            if (pumpMessages) PumpMessages();
            if (WaitForSingleObject(supervisorThread_, kSlice) != WAIT_TIMEOUT) break;
        }
        CloseAllHandles();
        acceptTasks_ = 0;
        InterlockedExchange(&state_, Stopped);
        return false;
    }

    InterlockedExchange(&state_, Running);
    return true;
}

void WorkerPool::WorkerMain(int mode) {
    InterlockedIncrement(&liveThreads_);
    InterlockedDecrement(&startingThreads_);
    if (state_ != Stopping) SetEvent(threadSignal_);

    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED overlapped = nullptr;
        const DWORD timeout = mode == 1 ? static_cast<DWORD>(idleTimeoutMs_) : INFINITE;
        const BOOL dequeued = GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, timeout);
        WaitForSingleObject(runGate_, INFINITE);
        if (acceptTasks_ != 1 || !dequeued || overlapped == kStopPacket || overlapped == nullptr) break;

        InterlockedIncrement(&busyThreads_);
        ProbeCounterWindow(CounterWindow::WorkerTakesTask);
        InterlockedDecrement(&queuedTasks_);
        RunTask(reinterpret_cast<Task>(overlapped), bytes, key);
        InterlockedDecrement(&busyThreads_);
        SetEvent(taskDone_);
    }

    if (InterlockedDecrement(&liveThreads_) != 0) return;
    TearDownAsLastWorker();
}

void WorkerPool::CloseTaken(HANDLE volatile* field, bool signalFirst) {
    HANDLE handle = InterlockedExchangePointer(const_cast<PVOID*>(field), nullptr);
    if (handle == nullptr) return;
    if (signalFirst) SetEvent(handle);
    CloseHandle(handle);
}

void WorkerPool::TearDownAsLastWorker() {
    CloseTaken(&port_);
    CloseTaken(&taskDone_);
    CloseTaken(&runGate_);
    CloseTaken(&wakeSupervisor_);
    CloseTaken(&threadSignal_, true);
    acceptTasks_ = 0;
    liveThreads_ = 0;
    busyThreads_ = 0;
    queuedTasks_ = 0;
    InterlockedExchange(&state_, Stopped);
}

void WorkerPool::SupervisorMain() {
    WaitForSingleObject(wakeSupervisor_, INFINITE);
    int failuresInRow = 0;
    while (state_ == Running) {
        if (GrowthCheck()) {
            const int stack = stackSize_;
            // A signal left by an earlier worker would end the wait below before the new one runs.
            while (WaitForSingleObject(threadSignal_, 0) == WAIT_OBJECT_0) {
            }
            if (state_ != Running) break;  // that signal may have been Stop's
            if (CreateWorker(1, stack, stack > 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0)) {
                failuresInRow = 0;
                WaitForSingleObject(threadSignal_, AnnounceWait(liveThreads_));
            } else if (++failuresInRow == kMaxConsecutiveFailures) {
                maxThreads_ = liveThreads_;
                failuresInRow = 0;
            }
        } else {
            WaitForSingleObject(wakeSupervisor_, INFINITE);
        }
        WaitForSingleObject(runGate_, INFINITE);
    }
}

bool WorkerPool::Stop(int mode, int timeoutMs, bool pumpMessages) {
    const LONG previous = InterlockedCompareExchange(&state_, Stopping, Running);
    if (previous == Stopped) return true;
    if (previous != Running) return false;
    if (mode < AbandonAndWait || mode > Drain) mode = AbandonAndWait;

    if (mode == AbandonAndWait || mode == Abandon) acceptTasks_ = 0;

    SetEvent(taskDone_);
    SetEvent(threadSignal_);
    SetEvent(wakeSupervisor_);
    SetEvent(runGate_);

    for (int slice = 0; slice < 21; ++slice) {
        if (WaitForSingleObject(supervisorThread_, kSlice) != WAIT_TIMEOUT) break;
        if (pumpMessages) PumpMessages();
    }
    CloseHandle(supervisorThread_);
    supervisorThread_ = nullptr;

    while (WaitForSingleObject(threadSignal_, 0) == WAIT_OBJECT_0) {
    }

    // The port stays open until the last worker leaves, and that worker is still waiting for
    // one of these packets.
    HANDLE port = port_;
    PostQueuedCompletionStatus(port, kStopBytes, kStopKey, kStopPacket);
    const LONG workers = liveThreads_;
    for (LONG i = 0; i < workers; ++i) {
        PostQueuedCompletionStatus(port, kStopBytes, kStopKey, kStopPacket);
        if (pumpMessages && (i + 1) % 100 == 0) PumpMessages();
    }

    if (mode == Abandon || mode == Drain) return true;

    const int64_t started = (pumpMessages && timeoutMs > 0) ? NowMs() : 0;
    const DWORD limitStart = GetTickCount();
    while (state_ == Stopping) {
        if (pumpMessages) {
            if (timeoutMs > 0 && NowMs() - started > timeoutMs) return false;
            HANDLE signal = threadSignal_;
            if (signal != nullptr) WaitForSingleObject(signal, kSlice); else Sleep(1);
            PumpMessages();
        } else {
            // Bounded slices: the last worker closes threadSignal as it leaves, and a wait on a
            // closed (possibly reused) handle must not block for good.
            if (timeoutMs > 0 && GetTickCount() - limitStart >= static_cast<DWORD>(timeoutMs)) {
                return state_ != Stopping;
            }
            HANDLE signal = threadSignal_;
            if (signal != nullptr) WaitForSingleObject(signal, kSlice); else Sleep(1);
        }
    }
    return true;
}

bool WorkerPool::Pause() {
    if (state_ != Running) return false;
    return ResetEvent(runGate_) != FALSE;
}

bool WorkerPool::Resume() {
    if (state_ != Running) return false;
    return SetEvent(runGate_) != FALSE;
}

bool WorkerPool::WaitRunning(DWORD timeoutMs) {
    if (state_ != Running) return false;
    return WaitForSingleObject(runGate_, timeoutMs) == WAIT_OBJECT_0;
}

bool WorkerPool::Submit(Task task, int32_t arg1, intptr_t arg2) {
    return SubmitAddress(reinterpret_cast<uintptr_t>(task), arg1, arg2);
}

bool WorkerPool::SubmitAddress(uintptr_t taskAddress, int32_t arg1, intptr_t arg2) {
    if (state_ != Running || taskAddress == 0) return false;
    InterlockedIncrement(&queuedTasks_);
    const bool posted = PostQueuedCompletionStatus(port_, static_cast<DWORD>(arg1), static_cast<ULONG_PTR>(arg2),
                                                   reinterpret_cast<LPOVERLAPPED>(taskAddress)) != FALSE;
    if (!posted) InterlockedDecrement(&queuedTasks_);
    if (GrowthCheck()) SetEvent(wakeSupervisor_);
    return posted;
}

bool WorkerPool::WaitTaskDone(int timeoutMs, bool pumpMessages) {
    if (state_ != Running) return false;
    if (!pumpMessages) {
        const DWORD limit = (timeoutMs == -1) ? INFINITE : static_cast<DWORD>(timeoutMs);
        return WaitForSingleObject(taskDone_, limit) == WAIT_OBJECT_0;
    }
    const bool limited = timeoutMs != -1;
    const int64_t started = limited ? NowMs() : 0;
    for (;;) {
        PumpMessages();
        const DWORD result = WaitForSingleObject(taskDone_, kSlice);
        const bool late = limited && NowMs() - started > timeoutMs;
        if (result == WAIT_OBJECT_0) return !late;
        if (late || result != WAIT_TIMEOUT) return false;
    }
}

bool WorkerPool::SignalTaskDone() {
    if (state_ != Running) return false;
    return SetEvent(taskDone_) != FALSE;
}

void WorkerPool::SetMaxThreads(int count) {
    if (state_ != Running) return;
    maxThreads_ = count < 1 ? 1 : count;
    if (GrowthCheck()) SetEvent(wakeSupervisor_);
}

void WorkerPool::SetIdleTimeout(int milliseconds) {
    if (state_ != Running) return;
    idleTimeoutMs_ = milliseconds < 100 ? 100 : milliseconds;
}

void WorkerPool::SetStackSize(int bytes) {
    if (state_ != Running) return;
    stackSize_ = SettleSetterStackSize(bytes);
}
