#include "crop/ResizeReports.h"

#include "crop/LogPanel.h"
#include "crop/SourceList.h"

namespace {

constexpr UINT kReportMessage = WM_APP + 41;
constexpr const char kClassName[] = "QuillmereResizeReports";
constexpr const char kRunning[] = "正在执行";

LRESULT CALLBACK ReportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReportMessage) {
        const std::unique_ptr<ResizeReport> report(reinterpret_cast<ResizeReport*>(lParam));
        if (report) ApplyResizeReport(*report);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterReportClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &ReportProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

void MarkOwnRow(HWND list, int row, const std::string& path, const std::string& mark) {
    if (SourceCell(list, row, SourceImageRow::图片路径) == path) {
        SetSourceCell(list, row, SourceImageRow::状态, mark);
        return;
    }
    for (int other = FindRowByCell(list, path, SourceImageRow::图片路径); other >= 0;
         other = FindRowByCell(list, path, SourceImageRow::图片路径, other + 1)) {
        if (SourceCell(list, other, SourceImageRow::状态) == kRunning) {
            SetSourceCell(list, other, SourceImageRow::状态, mark);
            return;
        }
    }
}

}  // namespace

bool PostResizeReport(HWND reportWindow, std::unique_ptr<ResizeReport> report) {
    if (!PostMessageA(reportWindow, kReportMessage, 0, reinterpret_cast<LPARAM>(report.get()))) return false;
    report.release();  // the window's procedure owns it now
    return true;
}

void ApplyResizeReport(const ResizeReport& report) {
    if (!report.cutLine.empty()) AppendLogLine(report.log, report.cutLine);
    MarkOwnRow(report.list, report.row, report.path, report.written ? "修改成功" : "修改失败");
    AppendLogLine(report.log, report.lastLine);
}

ResizeReportWindow::ResizeReportWindow() {
    if (!RegisterReportClass()) return;
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
}

ResizeReportWindow::~ResizeReportWindow() {
    if (window_ == nullptr) return;
    MSG message;
    while (PeekMessageA(&message, window_, kReportMessage, kReportMessage, PM_REMOVE)) {
        delete reinterpret_cast<ResizeReport*>(message.lParam);
    }
    DestroyWindow(window_);
}

void ResizeReportWindow::ApplyPosted() {
    if (window_ == nullptr) return;
    MSG message;
    while (PeekMessageA(&message, window_, kReportMessage, kReportMessage, PM_REMOVE)) DispatchMessageA(&message);
}
