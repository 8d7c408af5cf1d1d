#pragma once
#include <cstdint>
#include <string>

class MainWindow;
class GridModel;

// The verification run of the page "校验图片".
//
// Threads: StartVerification, CountPendingRecords and TallyResults run on the window thread,
// which hands out rows and polls the pool while dispatching messages; it never takes
// CriticalLock. VerifyTask runs on workers; it reads the limits from values the window thread
// keeps current (never from the controls) and writes cells through the grid's model, whose own
// short lock never waits for the window thread.

// Click on "验证图片". Presses of "验证图片" or "选择" during a run are ignored.
void StartVerification(MainWindow& window);
// Data rows whose 状态 is empty.
int CountPendingRecords(const GridModel& model);
// "成功：N 失败：M" over every data row; an empty 结果 counts as a failure.
std::string TallyResults(const GridModel& model);
// One row, on a worker: arg1 the row, arg2 its VerifyTaskArgs.
void VerifyTask(int32_t row, intptr_t args);

// Whether a run is under way (its loop is on the window thread's stack).
bool VerificationRunning();
// The window thread refreshes the limits that tasks read, from the three controls.
void RefreshVerificationLimits(MainWindow& window);
// Routes the page's clicks and the limit controls' changes to this run.
void WireVerification(MainWindow& window);
