#pragma once
// The group's settings as they stand, for resize tasks to read when they start.
//
// Threads: the window thread publishes (at a run's start and on every change of the group's
// controls); any thread reads. A lock private to the board keeps each read whole; nobody waits for
// anything while holding it. The board lives for the whole process, so a task cut short by the
// window's close still reads live memory.
#include "crop/ResizeTarget.h"

#include <string>

struct ResizeSnapshot {
    ResizeSettings settings;
    std::string outputFolder;  // 编辑框_修改存储路径
};

void PublishResizeSettings(const ResizeSnapshot& snapshot);
ResizeSnapshot CurrentResizeSettings();
