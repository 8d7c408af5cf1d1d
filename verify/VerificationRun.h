#pragma once
#include <cstdint>
#include <string>

class PageHost;
class GridModel;

// The verification run of the page "校验图片".
//
// Threads: StartVerification, CountPendingRecords, TallyResults and RefreshVerificationLimits run
// on the window thread, which hands out rows and polls the pool while dispatching messages; it
// never takes CriticalLock. VerifyTask runs on workers and touches only what outlives the window:
// the process-wide pool and lock, the threads that check and measure files side by side, the
// limits the window thread keeps current in atomics, and the grid's model, held by shared
// ownership and guarded by its own short lock.

// Click on "验证图片". Ignored while any long run is under way; presses of "选择" and "清除验证"
// are ignored during a verification.
void StartVerification(PageHost& host);
// Data rows whose 状态 is empty.
int CountPendingRecords(const GridModel& model);
// "成功：N 失败：M" over every data row; an empty 结果 counts as a failure.
std::string TallyResults(const GridModel& model);
// One row, on a worker: arg1 the row, arg2 its VerifyTaskArgs.
void VerifyTask(int32_t row, intptr_t args);

// Whether a verification run is under way (its loop is on the window thread's stack).
bool VerificationRunning(PageHost& host);
// The window thread refreshes the limits that tasks read, from the three controls.
void RefreshVerificationLimits(PageHost& host);
