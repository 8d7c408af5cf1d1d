#pragma once

// The one owner of "a long run is under way".
//
// The verification and the batch resize share the process's one WorkerPool, and each begins by
// stopping it without dispatching. A second run started from a handler dispatched inside the
// first one's waits would stop the pool under the first one's tasks, which may be waiting inside
// messages they sent to the window thread: a deadlock. So each run takes the claim before it
// touches the pool, and a press that finds the claim taken is ignored.
//
// Window thread only.

enum class RunKind { None, Verification, BatchResize };

class RunOwner {
public:
    // Held for the run's whole life; gives the claim back when it goes.
    class Claim {
    public:
        Claim() = default;
        Claim(Claim&& other) noexcept : owner_(other.owner_) { other.owner_ = nullptr; }
        Claim& operator=(Claim&&) = delete;
        Claim(const Claim&) = delete;
        Claim& operator=(const Claim&) = delete;
        ~Claim() {
            if (owner_ != nullptr) owner_->current_ = RunKind::None;
        }
        bool Held() const { return owner_ != nullptr; }

    private:
        friend class RunOwner;
        explicit Claim(RunOwner* owner) : owner_(owner) {}
        RunOwner* owner_ = nullptr;
    };

    // The claim for a run of this kind, or an empty one while any run is under way.
    Claim TryBegin(RunKind kind) {
        if (current_ != RunKind::None || kind == RunKind::None) return Claim();
        current_ = kind;
        return Claim(this);
    }
    RunKind Current() const { return current_; }
    bool Busy() const { return current_ != RunKind::None; }

private:
    RunKind current_ = RunKind::None;
};
