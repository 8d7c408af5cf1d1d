#pragma once
// The group "批量修改分辨率" of the page "裁剪图片": its handlers and their wiring.
//
// Threads: everything here runs on the window thread. StartBatchResize hands the pending rows of
// 超级列表框1 to ResizeTask (ResizeTask.h) on the process's pool and dispatches messages while it
// waits, so other handlers run inside it, and so do the tasks' reports (ResizeReports.h); it
// never takes CriticalLock. Every change of the group's controls is published for the tasks
// (ResizeSettingsBoard.h), so each picture is resized as the group stands when its task starts.
class PageHost;

// Registers the group's handlers with the host.
void WireBatchResize(PageHost& host);

// Click on "按比例": in proportional mode only the given side can be typed and the choice of
// side is fixed; otherwise everything is open.
void ToggleProportional(PageHost& host);
// Click on "▲": the folder browser titled "选择目标目录"; a chosen folder becomes the output
// folder, a cancelled one changes nothing.
void ChooseResizeFolder(PageHost& host);
// Click on "修改分辨率": resizes every row whose 状态 is empty into the output folder. Ignored
// while any long run is under way, this one included.
void StartBatchResize(PageHost& host);
