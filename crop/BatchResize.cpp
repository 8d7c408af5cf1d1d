#include "crop/BatchResize.h"

#include "common/TimeText.h"
#include "concurrency/PoolRun.h"
#include "concurrency/ProcessObjects.h"
#include "crop/LogPanel.h"
#include "crop/ResizeReports.h"
#include "crop/ResizeSettingsBoard.h"
#include "crop/ResizeTask.h"
#include "crop/SourceList.h"
#include "ui/ControlText.h"
#include "ui/DialogSeam.h"
#include "ui/MessageBoxSeam.h"
#include "ui/PageHost.h"

#include <windows.h>

#include <memory>

namespace {

// Tasks read the group as it stands when each one starts: the board follows every change.
void PublishSettings(PageHost& host) {
    ResizeSnapshot snapshot;
    snapshot.settings.proportional = IsChecked(host.Control(选择框_按比例));
    snapshot.settings.byWidth = IsChecked(host.Control(单选框_宽度));
    snapshot.settings.byHeight = IsChecked(host.Control(单选框_高度));
    snapshot.settings.width = ReadNumberFromControl(host.Control(编辑框_修改宽度));
    snapshot.settings.height = ReadNumberFromControl(host.Control(编辑框_修改高度));
    snapshot.outputFolder = WindowText(host.Control(编辑框_修改存储路径));
    PublishResizeSettings(snapshot);
}

// The first pending row goes to the pool. Its "正在执行" is written right after the pool took it
// and before any message is dispatched again, so the task's report, applied when messages are
// dispatched, always comes after it.
void HandOutFirstPendingRow(const std::shared_ptr<const ResizeRunLink>& run) {
    const HWND list = run->list;
    const int row = FindRowByCell(list, "", SourceImageRow::状态);
    if (row < 0) return;
    auto args = std::make_unique<ResizeTaskArgs>();
    args->path = SourceCell(list, row, SourceImageRow::图片路径);
    args->name = SourceCell(list, row, SourceImageRow::名称);
    args->run = run;
    AppendLogLine(run->log, FormatNow() + " 正在执行：" + args->name);
    if (ThePool().Submit(&ResizeTask, row, reinterpret_cast<intptr_t>(args.get()))) {
        args.release();  // the task owns it now
        SetSourceCell(list, row, SourceImageRow::状态, "正在执行");
    }
    // Refused: the record goes with `args` and the row stays pending for a later pass.
}

// Counting the pending rows costs a message per row. While every worker is busy no row can go
// out, so a pass first waits until a worker is free (or the pool stops, or the window is
// closing) instead of counting again at once. The end of a task wakes the wait; messages are
// dispatched at least every 20 ms meanwhile.
void WaitForAFreeWorker(PageHost& host) {
    constexpr int kSliceMs = 20;
    WorkerPool& pool = ThePool();
    while (pool.IdleThreads() <= 0 && pool.State() == WorkerPool::Running && !host.Closing()) {
        pool.WaitTaskDone(kSliceMs, true);
    }
}

}  // namespace

void WireBatchResize(PageHost& host) {
    PageHost* h = &host;
    host.SetCommandHandler(选择框_按比例, [h] {
        ToggleProportional(*h);
        PublishSettings(*h);
    });
    host.SetCommandHandler(单选框_宽度, [h] { PublishSettings(*h); });
    host.SetCommandHandler(单选框_高度, [h] { PublishSettings(*h); });
    host.SetChangeHandler(编辑框_修改宽度, [h] { PublishSettings(*h); });
    host.SetChangeHandler(编辑框_修改高度, [h] { PublishSettings(*h); });
    host.SetChangeHandler(编辑框_修改存储路径, [h] { PublishSettings(*h); });
    host.SetCommandHandler(按钮_选择分辨率修改路径, [h] { ChooseResizeFolder(*h); });
    host.SetCommandHandler(按钮_批量修改分辨率, [h] { StartBatchResize(*h); });
}

void ToggleProportional(PageHost& host) {
    const bool proportional = IsChecked(host.Control(选择框_按比例));
    const bool byWidth = IsChecked(host.Control(单选框_宽度));
    EnableWindow(host.Control(编辑框_修改宽度), !proportional || byWidth);
    EnableWindow(host.Control(编辑框_修改高度), !proportional || !byWidth);
    EnableWindow(host.Control(单选框_宽度), !proportional);
    EnableWindow(host.Control(单选框_高度), !proportional);
}

void ChooseResizeFolder(PageHost& host) {
    const std::string folder = BrowseForFolder("选择目标目录");
    if (!folder.empty()) SetWindowTextA(host.Control(编辑框_修改存储路径), folder.c_str());
}

void StartBatchResize(PageHost& host) {
    // A second run would stop the pool under this one's tasks.
    const RunOwner::Claim claim = host.Runs().TryBegin(RunKind::BatchResize);
    if (!claim.Held()) return;
    const HWND log = host.Control(列表框_日志);
    ClearLog(log);
    if (WindowText(host.Control(编辑框_修改存储路径)).empty()) {
        ShowInfoMessage("请选择需要保存的路径");
        return;
    }
    PublishSettings(host);
    ResizeReportWindow reports;
    auto run = std::make_shared<ResizeRunLink>();
    run->reports = reports.Handle();
    run->list = host.Control(超级列表框1);
    run->log = log;
    const HWND button = host.Control(按钮_批量修改分辨率);

    PoolRunSteps steps;
    steps.maxThreads = ReadNumberFromControl(host.Control(编辑框_修改分辨率线程));
    steps.started = [button] { EnableWindow(button, FALSE); };
    steps.countPending = [&host, list = run->list] {
        WaitForAFreeWorker(host);
        return CountPendingRows(list);
    };
    steps.handOut = [&host, &run](int) {
        if (!host.Closing()) HandOutFirstPendingRow(run);
    };
    steps.allHandedOut = [log] { AppendLogLine(log, FormatNow() + " 执行分辨率修改完成"); };
    steps.cancelled = [&host] { return host.Closing(); };
    const PoolRunEnd end = RunRowsOnPool(ThePool(), steps);
    if (end == PoolRunEnd::Cancelled || end == PoolRunEnd::NotStarted) return;
    // Every task has ended, so every report is posted: show them before the end of the run.
    reports.ApplyPosted();
    if (end == PoolRunEnd::Completed) {
        AppendLogLine(log, FormatNow() + " 任务已完成");
        TheProcessHelper().TrimWorkingSet();
    }
    // A pool stopped from elsewhere ends the run without its report, but the button must not
    // stay dead.
    EnableWindow(button, TRUE);
}
