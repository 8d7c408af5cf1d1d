#include "concurrency/ProcessObjects.h"

namespace {
ProcessHelper* g_helper = nullptr;
WorkerPool* g_pool = nullptr;
CriticalLock* g_lock = nullptr;
}  // namespace

ProcessHelper& TheProcessHelper() { return *g_helper; }
WorkerPool& ThePool() { return *g_pool; }
CriticalLock& TheLock() { return *g_lock; }

RunOwner& TheRunOwner() {
    static RunOwner owner;
    return owner;
}

void MakeProcessObjects() {
    if (g_helper == nullptr) g_helper = new ProcessHelper;
    if (g_pool == nullptr) g_pool = new WorkerPool;
    if (g_lock == nullptr) g_lock = new CriticalLock;
}

bool ReleaseProcessObjects() {
    if (g_pool == nullptr) return true;
    // The destructor's own stop, made here so that what it leaves behind can be seen first.
    g_pool->Stop(WorkerPool::Abandon, 0, false);
    if (g_pool->State() != WorkerPool::Stopped || g_pool->LiveThreads() != 0) return false;
    delete g_helper;
    g_helper = nullptr;
    delete g_pool;
    g_pool = nullptr;
    delete g_lock;
    g_lock = nullptr;
    return true;
}
