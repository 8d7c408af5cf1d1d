#pragma once
// What a resize task has to show, carried to the window thread.
//
// Threads: a task fills a ResizeReport and posts it to its run's report window; it never waits
// for the window thread. The window thread applies each report when it dispatches it: the
// lines go into 列表框_日志 and the mark into the task's own row of 超级列表框1, all in one step,
// so one task's lines are never split by another's. A report reaches the window thread only
// when it next dispatches, that is after the dispatcher's own "正在执行" for that row.
#include <windows.h>

#include <memory>
#include <string>

struct ResizeReport {
    HWND list = nullptr;   // 超级列表框1 of the run
    HWND log = nullptr;    // 列表框_日志 of the run
    int row = -1;          // the row the task was given
    std::string path;      // its 图片路径, to find it again after deletions
    std::string cutLine;   // " 裁剪：" with its time stamp, or empty when nothing was resampled
    bool written = false;  // the output file is in place: "修改成功", otherwise "修改失败"
    std::string lastLine;  // " 保存图片：" or " 修改失败：" with its time stamp
};

// Any thread. False when the window is gone; the report is then dropped.
bool PostResizeReport(HWND reportWindow, std::unique_ptr<ResizeReport> report);

// Window thread: the cut line, the mark, the last line. The mark goes to the row the task was
// given while that row still holds its picture, otherwise (rows were deleted meanwhile) to the
// first row of that picture still marked "正在执行"; a row that is gone gets no mark, and no
// other row gets it instead.
void ApplyResizeReport(const ResizeReport& report);

// A run's message-only window on the window thread, receiving its tasks' reports.
class ResizeReportWindow {
public:
    ResizeReportWindow();
    // Drops what was not applied and destroys the window: later posts fail.
    ~ResizeReportWindow();
    ResizeReportWindow(const ResizeReportWindow&) = delete;
    ResizeReportWindow& operator=(const ResizeReportWindow&) = delete;

    HWND Handle() const { return window_; }
    // Applies every report already posted, dispatching nothing else.
    void ApplyPosted();

private:
    HWND window_ = nullptr;
};
