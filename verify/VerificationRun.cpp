#include "verify/VerificationRun.h"

#include "common/FileBytes.h"
#include "common/TimeText.h"
#include "concurrency/ParallelPieces.h"
#include "concurrency/PoolRun.h"
#include "concurrency/ProcessObjects.h"
#include "imaging/ImageProbe.h"
#include "ui/ControlText.h"
#include "ui/Controls.h"
#include "ui/PageHost.h"
#include "verify/PictureLoads.h"
#include "verify/RecordGrid.h"

#include <windows.h>
#include <mmsystem.h>

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

struct VerifyTaskArgs {
    std::string path;
};

struct Outcome {
    const char* result;
    const char* reason;
    bool failed;
};

Outcome Judge(bool isPicture, int width, int height, bool limitOn, int maxWidth, int maxHeight) {
    if (!isPicture) return {"失败", "非图片文件，或者图片不存在", true};
    if (limitOn && (width > maxWidth || height > maxHeight)) return {"失败", "分辨率过高", true};
    if (limitOn) return {"成功", "分辨率正常", false};
    return {"成功", "图片正常", false};
}

// Sleep(1) lasts a whole timer tick (some 15.6 ms) unless the timer resolution is raised: the
// hand-out loop's 1 ms pause after each row would cap a run at about 64 rows a second.
class FineTimerResolution {
public:
    FineTimerResolution() : raised_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~FineTimerResolution() {
        if (raised_) timeEndPeriod(1);
    }
    FineTimerResolution(const FineTimerResolution&) = delete;
    FineTimerResolution& operator=(const FineTimerResolution&) = delete;

private:
    const bool raised_;
};

void SetLabel(HWND label, const char* text, COLORREF color) {
    SetWindowTextA(label, text);
    SetLabelTextColor(label, color);
}

// Hands row k to the pool with its marks in place first: a task that finishes at once must not
// have its "已完成" overwritten by them.
void HandOutRow(GridModel& model, int k) {
    auto args = std::make_unique<VerifyTaskArgs>();
    args->path = model.CellText(k, kPath);
    model.SetCellText(k, kStatus, "正在执行");
    model.SetCellText(k, kTime, FormatNow());
    if (ThePool().Submit(&VerifyTask, k, reinterpret_cast<intptr_t>(args.get()))) {
        args.release();  // the task owns it now
    } else {
        model.SetCellText(k, kStatus, "");
    }
}
}  // namespace

bool VerificationRunning(PageHost& host) { return host.Runs().Current() == RunKind::Verification; }

int CountPendingRecords(const GridModel& model) { return model.EmptyCellCount(); }

std::string TallyResults(const GridModel& model) {
    int successes = 0, failures = 0;
    const int rows = model.RowCount();
    for (int row = 1; row < rows; ++row) {
        if (model.CellText(row, kResult) == "成功") ++successes; else ++failures;
    }
    return "成功：" + std::to_string(successes) + " 失败：" + std::to_string(failures);
}

void RefreshVerificationLimits(PageHost& host) {
    RunShared& shared = Shared();
    shared.limitOn = IsChecked(host.Control(选择框_现在分辨率));
    shared.maxWidth = ReadNumberFromControl(host.Control(编辑框1));
    shared.maxHeight = ReadNumberFromControl(host.Control(编辑框2));
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

    // The check and the probe are pure functions of the file's bytes, read once for both. They
    // need nothing of the lock: every task works on its own file at the same time as the others,
    // its check beside its probe, as many pieces at once as there are processors.
    bool isPicture = false;
    ImageSize size;
    {
        const std::string bytes = ReadWholeFile(path);
        RunPiecesInParallel({[&] { isPicture = PictureBytesLoad(bytes); }, [&] { size = ProbeImageSize(bytes); }});
    }
    const int width = size.width, height = size.height;
    RunShared& shared = Shared();
    bool limitOn;
    int maxWidth, maxHeight;
    {
        CriticalLockGuard guard(TheLock());
        limitOn = shared.limitOn;
        maxWidth = shared.maxWidth;
        maxHeight = shared.maxHeight;
    }
    const Outcome outcome = Judge(isPicture, width, height, limitOn, maxWidth, maxHeight);

    GridModel& model = *shared.model;
    CriticalLockGuard guard(TheLock());
    model.SetCellText(row, kStatus, "已完成");
    model.SetCellText(row, kResolution, std::to_string(width) + "*" + std::to_string(height));
    model.SetCellText(row, kResult, outcome.result);
    model.SetCellText(row, kReason, outcome.reason);
    if (outcome.failed) model.SetTextColor(row, kReason, row, kReason, kRed);
}

void StartVerification(PageHost& host) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    if (grid == nullptr) return;
    const RunOwner::Claim run = host.Runs().TryBegin(RunKind::Verification);
    if (!run.Held()) return;  // a run's loop is already on this stack: not built for re-entry
    RunShared& shared = Shared();
    shared.model = grid->Model();
    GridModel& model = *shared.model;
    RefreshVerificationLimits(host);
    const HWND statusLabel = host.Control(标签_任务状态);
    const HWND resultLabel = host.Control(标签_验证结果);

    PoolRunSteps steps;
    steps.maxThreads = ReadNumberFromControl(host.Control(编辑框_线程数量));
    steps.started = [statusLabel] { SetLabel(statusLabel, "正在执行检测.....", kRed); };
    steps.countPending = [&model] { return CountPendingRecords(model); };
    // The pending rows are rows 1 to k: row k is the lowest one, so rows go out from the bottom up.
    steps.handOut = [&model](int k) { HandOutRow(model, k); };
    steps.passPauseMs = 1;
    steps.allHandedOut = [statusLabel] { SetLabel(statusLabel, "任务完成", kGreen); };
    steps.cancelled = [&host] { return host.Closing(); };
    PoolRunEnd end;
    {
        const FineTimerResolution fineTimer;
        end = RunRowsOnPool(ThePool(), steps);
    }
    if (end != PoolRunEnd::Completed) return;
    SetWindowTextA(resultLabel, ("验证结果：" + TallyResults(model)).c_str());
    TheProcessHelper().TrimWorkingSet();
}
