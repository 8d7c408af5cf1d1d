#pragma once
// One picture of a batch resize, run on a pool worker.
//
// Threads: ResizeTask touches only what outlives the window: the process-wide pool, lock and
// helper, the settings board (ResizeSettingsBoard.h), and the window handles of its
// ResizeRunLink, a value snapshot the window thread took when the run began. It never waits for
// the window thread: what it has to show goes there as a posted report (ResizeReports.h), and a
// post to a window that is gone fails harmlessly.
//
// Reading the file, decoding and resampling touch nothing shared and run outside CriticalLock on
// every worker at once. The lock is held around the write and the report, so writes of the same
// output file and the reports that follow them come in one order.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

struct ResizeRunLink {
    HWND reports = nullptr;  // the run's ResizeReportWindow
    HWND list = nullptr;     // 超级列表框1, for the report to mark
    HWND log = nullptr;      // 列表框_日志, for the report's lines
};

// One row on its way to its task. The dispatcher makes it; once the pool has accepted the task,
// the task owns it and releases it before anything else.
struct ResizeTaskArgs {
    std::string path;  // the row's 图片路径
    std::string name;  // the row's 名称
    std::shared_ptr<const ResizeRunLink> run;
};

// arg1: the row the task was given; arg2: its ResizeTaskArgs.
void ResizeTask(int32_t row, intptr_t args);

// The name before its first "." (the whole name without one, empty when it begins with one).
std::string NameBeforeFirstDot(const std::string& name);
// folder + "\" + name + ".jpg": the name keeps its own extension.
std::string ResizeOutputPath(const std::string& folder, const std::string& name);
