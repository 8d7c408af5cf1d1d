#pragma once
// 拖放对象1: the OLE drop target that takes files (CF_HDROP) dropped from the shell onto a window.
// Window thread only; the thread must have OLE initialised.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

using FilesDropped = std::function<void(const std::string& droppedText)>;

// Registers the window as a drop target whose drops hand their dropped-file text to dropped. The
// window's owner revokes it (RevokeDragDrop) before the window goes. False when it cannot be
// registered (no OLE on the thread, or the window has a target already).
bool RegisterFileDropTarget(HWND window, FilesDropped dropped);

// The dropped-file text of a drop: its one path, or, for several files, every path followed by
// CR LF.
std::string DroppedFileText(HDROP drop);
