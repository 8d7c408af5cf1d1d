#include "crop/SourceList.h"

#include "common/FileBytes.h"
#include "common/FolderFiles.h"
#include "common/PathText.h"
#include "concurrency/MessageWaits.h"
#include "concurrency/ProcessObjects.h"
#include "imaging/ImageProbe.h"
#include "ui/DialogSeam.h"
#include "ui/PageHost.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr const char kSingleFileFilter[] = "*.jpg;*.jpeg;*.bmp|*.jpg;*.jpeg;*.bmp";

HWND List(PageHost& host) { return host.Control(超级列表框1); }

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

// The folder scan dispatches nothing, so the list could not show a row before the scan's end
// anyway; with redrawing off, each insertion is spared its invalidation and scroll-bar update
// (under Wine, half of a small file's cost).
class RedrawPause {
public:
    explicit RedrawPause(HWND list) : list_(list) { SendMessageA(list_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    const HWND list_;
};

}  // namespace

int AppendSourceRow(PageHost& host, const std::string& path, const std::string& name,
                    const std::string& resolution) {
    PumpMessages();
    if (host.Closing()) return -1;
    HWND list = List(host);
    const int index = InsertRow(list, path, name);
    if (index >= 0) SetCell(list, index, SourceImageRow::分辨率, resolution);
    return index;
}

int SourceRowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string SourceCell(HWND list, int row, int column) {
    if (row < 0 || row >= SourceRowCount(list)) return {};
    return Cell(list, row, column);
}

void SetSourceCell(HWND list, int row, int column, const std::string& text) {
    if (column < 0 || column >= SourceImageRow::kColumnCount) return;
    SetCell(list, row, column, text);
}

int CountPendingRows(HWND list) {
    int pending = 0;
    for (int row = 0; row < SourceRowCount(list); ++row) pending += Cell(list, row, SourceImageRow::状态).empty();
    return pending;
}

int FindRowByCell(HWND list, const std::string& text, int column, int firstRow) {
    if (column < 0 || column >= SourceImageRow::kColumnCount) return -1;
    for (int row = std::max(firstRow, 0); row < SourceRowCount(list); ++row) {
        if (Cell(list, row, column) == text) return row;
    }
    return -1;
}

int SelectedSourceRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ChooseSourceFolder(PageHost& host) {
    const std::string folder = BrowseForFolder("选择目标目录");
    DeleteAllRows(host);
    if (folder.empty()) return;
    SetWindowTextA(host.Control(编辑框_裁剪文件路径), folder.c_str());
    const RedrawPause pause(List(host));
    ForEachFileInFolder(folder, [&host](const std::string& in, const std::string& name) {
        AddScannedFile(host, in, name);
    });
}

void ForEachFileInFolder(std::string folder,
                         const std::function<void(const std::string& folder, const std::string& name)>& perFile) {
    ForEachFolderFile(std::move(folder), perFile);
}

void AddScannedFile(PageHost& host, const std::string& folder, const std::string& name) {
    HWND list = List(host);
    const std::string path = folder + name;
    const int index = InsertRow(list, path, name);
    if (index >= 0) SetCell(list, index, SourceImageRow::分辨率, ResolutionOfFile(path));
    TheProcessHelper().TrimWorkingSet();
}

std::string ResolutionOfFile(const std::string& path) {
    const ImageSize size = ProbeImageSize(ReadWholeFile(path));
    return std::to_string(size.width) + "*" + std::to_string(size.height);
}

void AddSingleFile(PageHost& host) {
    const std::string path = ChooseOpenFile(kSingleFileFilter);
    if (path.empty()) return;
    AppendSourceRow(host, path, LastPathPart(path), ResolutionOfFile(path));
    SetWindowTextA(host.Control(编辑框_裁剪文件路径), path.c_str());
}

std::string LastPathPart(const std::string& path) { return path.substr(AfterLastBackslash(path)); }

void ShowListMenu(PageHost& host) {
    HMENU menu = host.CropMenu();
    EnableMenuItem(menu, 菜单_删除选中, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, 菜单_删除全部, MF_BYCOMMAND | MF_ENABLED);
    if (SelectedSourceRow(List(host)) < 0) EnableMenuItem(menu, 菜单_删除选中, MF_BYCOMMAND | MF_GRAYED);
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, host.Window(), nullptr);
}

void DeleteSelectedRow(PageHost& host) {
    const int row = SelectedSourceRow(List(host));
    if (row >= 0) SendMessageA(List(host), LVM_DELETEITEM, row, 0);
}

void DeleteAllRows(PageHost& host) { SendMessageA(List(host), LVM_DELETEALLITEMS, 0, 0); }

void ClearStatusMarks(PageHost& host) {
    // The count is read again each pass: a dispatched message may have deleted rows.
    for (int row = 0; row < SourceRowCount(List(host)); ++row) {
        PumpMessages();
        if (host.Closing()) return;
        SetCell(List(host), row, SourceImageRow::状态, "");
    }
}
