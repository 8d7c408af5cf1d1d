#pragma once
#include "concurrency/CriticalLock.h"
#include "concurrency/ProcessHelper.h"
#include "concurrency/RunOwner.h"
#include "concurrency/WorkerPool.h"

// The process-wide objects: made once at start-up, before any window, and reachable from every
// thread for as long as any task of the pool can run.
//
// At exit the pool is stopped without waiting for running tasks. A task cut short that way still
// takes the lock, and its worker still touches the pool as it leaves, so while any worker is alive
// the objects are left as they are, for the end of the process to take, and the accessors keep
// answering; only a pool with no worker left lets them be destroyed.

ProcessHelper& TheProcessHelper();
WorkerPool& ThePool();
CriticalLock& TheLock();
RunOwner& TheRunOwner();  // window thread only

// Makes whichever of ProcessHelper, WorkerPool and CriticalLock is missing, in that order.
void MakeProcessObjects();
// Stops the pool without waiting; when no worker is left, destroys the three objects in the
// order ProcessHelper, WorkerPool, CriticalLock. Gives whether they were destroyed.
bool ReleaseProcessObjects();
