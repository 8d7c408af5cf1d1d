#include "crop/ResizeTask.h"

#include "common/FileBytes.h"
#include "common/TimeText.h"
#include "concurrency/ParallelPieces.h"
#include "concurrency/ProcessObjects.h"
#include "crop/DirectResize.h"
#include "crop/ResizeReports.h"
#include "crop/ResizeSettingsBoard.h"
#include "imaging/ImageProbe.h"

std::string NameBeforeFirstDot(const std::string& name) {
    // "." is never the second byte of a GBK character, so a byte search is safe.
    return name.substr(0, name.find('.'));
}

std::string ResizeOutputPath(const std::string& folder, const std::string& name) {
    return folder + "\\" + name + ".jpg";
}

void ResizeTask(int32_t row, intptr_t argsAddress) {
    std::string path, name;
    std::shared_ptr<const ResizeRunLink> run;
    {
        std::unique_ptr<ResizeTaskArgs> args(reinterpret_cast<ResizeTaskArgs*>(argsAddress));
        path = std::move(args->path);
        name = std::move(args->name);
        run = std::move(args->run);
    }
    WorkerPool& pool = ThePool();
    if (!pool.WaitRunning()) return;  // the row keeps "正在执行"
    pool.SignalTaskDone();

    // The settings and the output folder as they stand when this picture starts.
    const ResizeSnapshot now = CurrentResizeSettings();
    const std::string bytes = ReadWholeFile(path);
    // Only proportional mode needs the picture's own size, as GDI+ measures it.
    ImageSize source;
    if (NeedsSourceSize(now.settings) && !bytes.empty()) source = ProbeImageSize(bytes);
    const ResizeTarget target = ComputeResizeTarget(now.settings, source.width, source.height);
    ResizeOutcome outcome;
    if (!target.resample) {
        outcome.status = ResizeStatus::Done;  // nothing to resample: the file is written empty
    } else if (!bytes.empty()) {
        // However many workers the run has, no more pictures are decoded at once than there are
        // processors, which bounds the memory their decoded pixels take.
        RunPiecesInParallel({[&] { outcome = ResizeDirect(bytes, target.width, target.height); }});
    }

    auto report = std::make_unique<ResizeReport>();
    report->list = run->list;
    report->log = run->log;
    report->row = row;
    report->path = path;
    {
        CriticalLockGuard guard(TheLock());
        const std::string output = ResizeOutputPath(now.outputFolder, name);
        // Without a folder (cleared during the run) the file would land at the drive's root.
        if (outcome.status == ResizeStatus::Done && !now.outputFolder.empty()) {
            report->cutLine = FormatNow() + " 裁剪：" + NameBeforeFirstDot(name);
            report->written = WriteWholeFile(output, outcome.bmp.data(), outcome.bmp.size());
        }
        report->lastLine = FormatNow() + (report->written ? " 保存图片：" + output : " 修改失败：" + name);
        PostResizeReport(run->reports, std::move(report));
    }
    TheProcessHelper().TrimWorkingSet();
}
