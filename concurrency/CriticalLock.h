#pragma once
#include <windows.h>

// The one process-wide lock that worker tasks take around their shared work. The window thread
// never takes it. The section lives in storage of its own so that the object can be destroyed
// while the section is still reachable (see ReleaseGlobals).
class CriticalLock {
public:
    CriticalLock();
    ~CriticalLock();
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;

    void Enter();
    void Leave();
    bool TryEnter();

private:
    CRITICAL_SECTION* section_;
};

// Holds a CriticalLock for one scope.
class CriticalLockGuard {
public:
    explicit CriticalLockGuard(CriticalLock& lock) : lock_(lock) { lock_.Enter(); }
    ~CriticalLockGuard() { lock_.Leave(); }
    CriticalLockGuard(const CriticalLockGuard&) = delete;
    CriticalLockGuard& operator=(const CriticalLockGuard&) = delete;

private:
    CriticalLock& lock_;
};
