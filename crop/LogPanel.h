#pragma once
// The crop page's log, 列表框_日志: one line per step of a crop or a batch resize.
//
// Threads: any. They take the list box's handle, not the window, and reach it only by sent
// messages, so a worker's line is added on the window thread, which must be dispatching and must
// not be waiting for a lock the worker holds. Once the window is gone the messages go nowhere.
#include <windows.h>

#include <string>

// Adds the text as the new last line and scrolls the log to its end. The callers put FormatNow in
// front of their lines.
void AppendLogLine(HWND log, const std::string& text);
// Empties the log, as a run does when it starts.
void ClearLog(HWND log);
