#pragma once
// The crop page's list of source pictures, 超级列表框1: one row per file, five text cells. The
// rows live only in the list view.
//
// Threads: the handlers (ChooseSourceFolder, AddSingleFile, ShowListMenu, the deletions,
// ClearStatusMarks) and AppendSourceRow run on the window thread only; they dispatch messages or
// show modal UI. SourceRowCount, SourceCell, SetSourceCell, CountPendingRows and FindRowByCell
// take the list's handle and only send it messages, so a worker may call them too: the list then
// does the work on the window thread, which must be dispatching (the long runs wait with
// PumpMessages) and must never wait for a lock the worker holds. Each call is one step; rows may
// change between two calls of a worker. Once the window is gone they find no row.
#include <windows.h>

#include <functional>
#include <string>

class PageHost;

struct SourceImageRow {
    enum Column : int { 序号, 图片路径, 名称, 分辨率, 状态, kColumnCount };
};

// Appends a row (状态 empty) after dispatching pending messages; gives its index, or -1 when the
// window is closing.
int AppendSourceRow(PageHost& host, const std::string& path, const std::string& name,
                    const std::string& resolution);
int SourceRowCount(HWND list);
// The cell's text; empty for a row or column that does not exist.
std::string SourceCell(HWND list, int row, int column);
void SetSourceCell(HWND list, int row, int column, const std::string& text);
// The rows whose 状态 is empty.
int CountPendingRows(HWND list);
// The first row from firstRow on (a negative start counts as 0) whose cell in the column equals
// the text byte for byte, or -1.
int FindRowByCell(HWND list, const std::string& text, int column, int firstRow = 0);
// The selected row, or -1.
int SelectedSourceRow(HWND list);

// Click on "选择图片路径": empties the list and lists every file of the chosen folder.
void ChooseSourceFolder(PageHost& host);
// Calls perFile(folder ending in "\", name) for every file directly inside the folder, in the
// file system's order; folders are never passed, whatever their attributes.
void ForEachFileInFolder(std::string folder,
                         const std::function<void(const std::string& folder, const std::string& name)>& perFile);
// Appends a row for a scanned file with its resolution; dispatches nothing.
void AddScannedFile(PageHost& host, const std::string& folder, const std::string& name);
// Click on "单个处理": appends one chosen picture to the list.
void AddSingleFile(PageHost& host);
// The text after the last "\" (GBK aware), the whole text when it has none.
std::string LastPathPart(const std::string& path);
// "width*height" of a file, each measured from its own full read; "0*0" when no picture.
std::string ResolutionOfFile(const std::string& path);

// Right click on the list: the menu "裁剪" at the cursor, "删除选中" grey without a selection.
void ShowListMenu(PageHost& host);
void DeleteSelectedRow(PageHost& host);
void DeleteAllRows(PageHost& host);
// Click on "清除标识": every 状态 becomes empty, dispatching messages between rows; a close
// meanwhile ends it.
void ClearStatusMarks(PageHost& host);
