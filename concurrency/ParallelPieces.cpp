#include "concurrency/ParallelPieces.h"

#include <windows.h>

#include <deque>

namespace {
struct Batch {
    int left = 0;  // guarded by the runner's lock
};

struct Piece {
    const std::function<void()>* work;
    Batch* batch;
};

// Made once and never destroyed: its threads and a caller cut short may use it up to the end.
class PieceRunner {
public:
    PieceRunner() {
        InitializeCriticalSection(&lock_);
        InitializeConditionVariable(&queued_);
        InitializeConditionVariable(&finished_);
        SYSTEM_INFO system = {};
        GetSystemInfo(&system);
        threads_ = system.dwNumberOfProcessors > 0 ? static_cast<int>(system.dwNumberOfProcessors) : 1;
        int started = 0;
        for (int i = 0; i < threads_; ++i) {
            HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
            if (thread == nullptr) continue;
            CloseHandle(thread);
            ++started;
        }
        started_ = started;
    }

    int Threads() const { return threads_; }

    void Run(const std::vector<std::function<void()>>& pieces) {
        if (pieces.empty()) return;
        if (started_ == 0) {
            // No thread to be had: the caller does the work itself, one piece after another.
            for (const auto& piece : pieces) RunOne(piece);
            return;
        }
        Batch batch;
        EnterCriticalSection(&lock_);
        batch.left = static_cast<int>(pieces.size());
        for (const auto& piece : pieces) queue_.push_back({&piece, &batch});
        WakeAllConditionVariable(&queued_);
        while (batch.left > 0) SleepConditionVariableCS(&finished_, &lock_, INFINITE);
        LeaveCriticalSection(&lock_);
    }

private:
    static void RunOne(const std::function<void()>& work) {
        try {
            work();
        } catch (...) {
        }
    }

    static DWORD WINAPI ThreadMain(void* self) {
        static_cast<PieceRunner*>(self)->Serve();
        return 0;
    }

    void Serve() {
        EnterCriticalSection(&lock_);
        for (;;) {
            while (queue_.empty()) SleepConditionVariableCS(&queued_, &lock_, INFINITE);
            const Piece piece = queue_.front();
            queue_.pop_front();
            LeaveCriticalSection(&lock_);
            RunOne(*piece.work);
            EnterCriticalSection(&lock_);
            // Several callers wait on the one condition; each looks at its own batch.
            if (--piece.batch->left == 0) WakeAllConditionVariable(&finished_);
        }
    }

    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE queued_;
    CONDITION_VARIABLE finished_;
    std::deque<Piece> queue_;
    int threads_ = 1;
    int started_ = 0;
};

PieceRunner& Runner() {
    static PieceRunner* runner = new PieceRunner;
    return *runner;
}
}  // namespace

void RunPiecesInParallel(const std::vector<std::function<void()>>& pieces) { Runner().Run(pieces); }

int ParallelPieceThreads() { return Runner().Threads(); }
