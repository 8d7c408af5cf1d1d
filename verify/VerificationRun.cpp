#include "verify/VerificationRun.h"

#include "app/Application.h"
#include "app/Controls.h"
#include "app/FileBytes.h"
#include "app/MainWindow.h"
#include "app/NumberText.h"
#include "app/TimeText.h"
#include "concurrency/MessageWaits.h"
#include "imaging/ImageProbe.h"
#include "verify/PictureLoads.h"
#include "verify/RecordGrid.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace {
constexpr int kStatus = 3, kResolution = 4, kResult = 5, kReason = 6, kTime = 7, kPath = 1;
constexpr COLORREF kRed = 0x0000FF, kGreen = 0x008000;

// What the tasks of a run share. The grid's model is held here so that tasks cut short by the
// window's close still write into live memory; the record itself is never freed for that reason.
struct RunShared {
    std::shared_ptr<GridModel> model;
    std::atomic<bool> limitOn{true};
    std::atomic<int> maxWidth{500};
    std::atomic<int> maxHeight{500};
};
RunShared& Shared() {
    static RunShared* shared = new RunShared;
    return *shared;
}
bool g_running = false;

struct VerifyTaskArgs {
    std::string path;
};

class RunningFlag {
public:
    RunningFlag() { g_running = true; }
    ~RunningFlag() { g_running = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
};

void SetLabel(HWND label, const char* text, COLORREF color) {
    SetWindowTextA(label, text);
    SetLabelTextColor(label, color);
}
}  // namespace

bool VerificationRunning() { return g_running; }

int CountPendingRecords(const GridModel& model) { return model.EmptyCellCount(); }

std::string TallyResults(const GridModel& model) {
    int successes = 0, failures = 0;
    const int rows = model.RowCount();
    for (int row = 1; row < rows; ++row) {
        if (model.CellText(row, kResult) == "成功") ++successes; else ++failures;
    }
    return "成功：" + std::to_string(successes) + " 失败：" + std::to_string(failures);
}

void RefreshVerificationLimits(MainWindow& window) {
    RunShared& shared = Shared();
    shared.limitOn = SendMessageA(window.Control(选择框_现在分辨率), BM_GETCHECK, 0, 0) == BST_CHECKED;
    shared.maxWidth = ReadNumberFromControl(window.Control(编辑框1));
    shared.maxHeight = ReadNumberFromControl(window.Control(编辑框2));
}

void VerifyTask(int32_t row, intptr_t argsAddress) {
    std::string path;
    {
        std::unique_ptr<VerifyTaskArgs> args(reinterpret_cast<VerifyTaskArgs*>(argsAddress));
        path = std::move(args->path);
    }
    WorkerPool& pool = ThePool();
    if (!pool.WaitRunning()) return;  // the row keeps "正在执行"
    pool.SignalTaskDone();

    RunShared& shared = Shared();
    bool isPicture;
    int width, height;
    bool limitOn;
    int maxWidth, maxHeight;
    TheLock().Enter();
    isPicture = PictureLoads(path);
    width = ProbeImageWidth(ReadWholeFile(path));
    height = ProbeImageHeight(ReadWholeFile(path));
    limitOn = shared.limitOn;
    maxWidth = shared.maxWidth;
    maxHeight = shared.maxHeight;
    TheLock().Leave();

    const char* result;
    const char* reason;
    bool failed = true;
    if (!isPicture) {
        result = "失败", reason = "非图片文件，或者图片不存在";
    } else if (limitOn && (width > maxWidth || height > maxHeight)) {
        result = "失败", reason = "分辨率过高";
    } else if (limitOn) {
        result = "成功", reason = "分辨率正常", failed = false;
    } else {
        result = "成功", reason = "图片正常", failed = false;
    }

    GridModel& model = *shared.model;
    CriticalLockGuard guard(TheLock());
    model.SetCellText(row, kStatus, "已完成");
    model.SetCellText(row, kResolution, std::to_string(width) + "*" + std::to_string(height));
    model.SetCellText(row, kResult, result);
    model.SetCellText(row, kReason, reason);
    if (failed) model.SetTextColor(row, kReason, row, kReason, kRed);
}

void StartVerification(MainWindow& window) {
    if (g_running) return;  // the run's loop is already on this stack: not built for re-entry
    RunningFlag running;
    RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1));
    if (grid == nullptr) return;
    // Everything the loop touches after a dispatch is re-checked or held here: a dispatched
    // WM_CLOSE destroys the window and its controls under the loop.
    const HWND mainWindow = window.Handle();
    const HWND statusLabel = window.Control(标签_任务状态);
    const HWND resultLabel = window.Control(标签_验证结果);
    auto windowGone = [mainWindow] { return !IsWindow(mainWindow); };
    RunShared& shared = Shared();
    shared.model = grid->Model();
    GridModel& model = *shared.model;
    RefreshVerificationLimits(window);

    const int threads = ReadNumberFromControl(window.Control(编辑框_线程数量));
    WorkerPool& pool = ThePool();
    pool.Stop();
    if (!pool.Start(WorkerPool::kOmitted, threads, WorkerPool::kOmitted, true)) return;

    int k = CountPendingRecords(model);
    SetLabel(statusLabel, "正在执行检测.....", kRed);
    while (k > 0) {
        PumpMessages();
        if (windowGone()) return;
        k = CountPendingRecords(model);
        if (pool.IdleThreads() > 0 && k != 0) {
            auto args = std::make_unique<VerifyTaskArgs>();
            args->path = model.CellText(k, kPath);
            // The marks go first: a task that finishes at once must not have its "已完成"
            // overwritten by them.
            model.SetCellText(k, kStatus, "正在执行");
            model.SetCellText(k, kTime, FormatNow());
            if (pool.Submit(&VerifyTask, k, reinterpret_cast<intptr_t>(args.get()))) {
                args.release();  // the task owns it now
            } else {
                model.SetCellText(k, kStatus, "");
            }
        }
        SleepPumping(1);
        if (windowGone()) return;
    }
    SetLabel(statusLabel, "任务完成", kGreen);

    for (;;) {
        if (pool.IsIdle()) {
            if (pool.State() == WorkerPool::Running) pool.Stop();
            while (pool.State() != WorkerPool::Stopped) {
                SleepPumping(10);
                if (windowGone()) return;
            }
            SetWindowTextA(resultLabel, ("验证结果：" + TallyResults(model)).c_str());
            TheProcessHelper().TrimWorkingSet();
            return;
        }
        if (pool.State() == WorkerPool::Stopped) return;
        SleepPumping(10);
        if (windowGone()) return;
    }
}

void WireVerification(MainWindow& window) {
    MainWindow* target = &window;
    window.SetCommandHandler(按钮_验证图片, [target] { StartVerification(*target); });
    // Tasks read the limits as the controls stand when each task runs.
    auto refresh = [target] { RefreshVerificationLimits(*target); };
    window.SetCommandHandler(选择框_现在分辨率, refresh);
    window.SetChangeHandler(编辑框1, refresh);
    window.SetChangeHandler(编辑框2, refresh);
}
