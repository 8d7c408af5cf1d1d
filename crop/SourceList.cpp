#include "crop/SourceList.h"

#include "app/Application.h"
#include "app/DialogSeam.h"
#include "app/FileBytes.h"
#include "app/MainWindow.h"
#include "app/PathText.h"
#include "concurrency/MessageWaits.h"
#include "imaging/ImageProbe.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr DWORD kTakenAttributes = 0x37;  // read-only, hidden, system, folder, archive
constexpr const char kSingleFileFilter[] = "*.jpg;*.jpeg;*.bmp|*.jpg;*.jpeg;*.bmp";

HWND List(MainWindow& window) { return window.Control(超级列表框1); }

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// A new last row with 序号, path and name; 分辨率 and 状态 left empty. 序号 is the position at
// insertion and is never rewritten, so deletions leave gaps and later rows may repeat a number.
int InsertRow(HWND list, const std::string& path, const std::string& name) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>("");
    const int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return index;
    SetCell(list, index, SourceImageRow::序号, std::to_string(index + 1));
    SetCell(list, index, SourceImageRow::图片路径, path);
    SetCell(list, index, SourceImageRow::名称, name);
    return index;
}

std::string Cell(HWND list, int row, int column) {
    if (column < 0 || column >= SourceImageRow::kColumnCount) return {};
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        buffer[0] = '\0';
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const size_t length =
            static_cast<size_t>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
        // A text that comes near the buffer's end may have been cut, a double-byte character short.
        if (length + 2 < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

void WireSourceList(MainWindow& window) {
    MainWindow* w = &window;
    window.SetCommandHandler(按钮_选择图片路径, [w] { ChooseSourceFolder(*w); });
    window.SetCommandHandler(按钮_单文件选择, [w] { AddSingleFile(*w); });
    window.SetCommandHandler(按钮_清除标识, [w] { ClearStatusMarks(*w); });
    window.SetCommandHandler(菜单_删除选中, [w] { DeleteSelectedRow(*w); });
    window.SetCommandHandler(菜单_删除全部, [w] { DeleteAllRows(*w); });
    window.SetNotifyHandler(超级列表框1, [w](const NMHDR& header) -> LRESULT {
        if (header.code == NM_RCLICK) ShowListMenu(*w);
        return 0;
    });
}

int AppendSourceRow(MainWindow& window, const std::string& path, const std::string& name,
                    const std::string& resolution) {
    PumpMessages();
    HWND list = List(window);
    const int index = InsertRow(list, path, name);
    if (index >= 0) SetCell(list, index, SourceImageRow::分辨率, resolution);
    return index;
}

int SourceRowCount(MainWindow& window) {
    return static_cast<int>(SendMessageA(List(window), LVM_GETITEMCOUNT, 0, 0));
}

std::string SourceCell(MainWindow& window, int row, int column) {
    if (row < 0 || row >= SourceRowCount(window)) return {};
    return Cell(List(window), row, column);
}

void SetSourceCell(MainWindow& window, int row, int column, const std::string& text) {
    if (column < 0 || column >= SourceImageRow::kColumnCount) return;
    SetCell(List(window), row, column, text);
}

int CountPendingRows(MainWindow& window) {
    HWND list = List(window);
    int pending = 0;
    for (int row = 0; row < SourceRowCount(window); ++row) pending += Cell(list, row, SourceImageRow::状态).empty();
    return pending;
}

int FindRowByCell(MainWindow& window, const std::string& text, int column, int firstRow) {
    if (column < 0 || column >= SourceImageRow::kColumnCount) return -1;
    HWND list = List(window);
    for (int row = std::max(firstRow, 0); row < SourceRowCount(window); ++row) {
        if (Cell(list, row, column) == text) return row;
    }
    return -1;
}

int SelectedSourceRow(MainWindow& window) {
    return static_cast<int>(SendMessageA(List(window), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ChooseSourceFolder(MainWindow& window) {
    const std::string folder = BrowseForFolder("选择目标目录");
    DeleteAllRows(window);
    if (folder.empty()) return;
    SetWindowTextA(window.Control(编辑框_裁剪文件路径), folder.c_str());
    ForEachFileInFolder(folder, [&window](const std::string& in, const std::string& name) {
        AddScannedFile(window, in, name);
    });
}

bool IsEnumeratedEntryTaken(unsigned long attributes) { return (attributes & kTakenAttributes) != 0; }

void ForEachFileInFolder(std::string folder,
                         const std::function<void(const std::string& folder, const std::string& name)>& perFile) {
    if (AfterLastBackslash(folder) != folder.size() || folder.empty()) folder += '\\';
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!IsEnumeratedEntryTaken(entry.dwFileAttributes)) continue;
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        // A second look at the entry itself; one that vanished meanwhile reads as all bits set
        // and is passed over like a folder.
        const DWORD attributes = GetFileAttributesA((folder + name).c_str()) & kTakenAttributes;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        perFile(folder, name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

void AddScannedFile(MainWindow& window, const std::string& folder, const std::string& name) {
    HWND list = List(window);
    const std::string path = folder + name;
    const int index = InsertRow(list, path, name);
    if (index >= 0) SetCell(list, index, SourceImageRow::分辨率, ResolutionOfFile(path));
    TheProcessHelper().TrimWorkingSet();
}

std::string ResolutionOfFile(const std::string& path) {
    const int width = ProbeImageWidth(ReadWholeFile(path));
    const int height = ProbeImageHeight(ReadWholeFile(path));
    return std::to_string(width) + "*" + std::to_string(height);
}

void AddSingleFile(MainWindow& window) {
    const std::string path = ChooseOpenFile(kSingleFileFilter);
    if (path.empty()) return;
    AppendSourceRow(window, path, LastPathPart(path), ResolutionOfFile(path));
    SetWindowTextA(window.Control(编辑框_裁剪文件路径), path.c_str());
}

std::string LastPathPart(const std::string& path) { return path.substr(AfterLastBackslash(path)); }

void ShowListMenu(MainWindow& window) {
    HMENU menu = window.CropMenu();
    EnableMenuItem(menu, 菜单_删除选中, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, 菜单_删除全部, MF_BYCOMMAND | MF_ENABLED);
    if (SelectedSourceRow(window) < 0) EnableMenuItem(menu, 菜单_删除选中, MF_BYCOMMAND | MF_GRAYED);
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window.Handle(), nullptr);
}

void DeleteSelectedRow(MainWindow& window) {
    const int row = SelectedSourceRow(window);
    if (row >= 0) SendMessageA(List(window), LVM_DELETEITEM, row, 0);
}

void DeleteAllRows(MainWindow& window) { SendMessageA(List(window), LVM_DELETEALLITEMS, 0, 0); }

void ClearStatusMarks(MainWindow& window) {
    // The count is read again each pass: a dispatched message may have deleted rows.
    for (int row = 0; row < SourceRowCount(window); ++row) {
        PumpMessages();
        SetCell(List(window), row, SourceImageRow::状态, "");
    }
}
