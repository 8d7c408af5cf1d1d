#include "verify/FolderScan.h"

#include "app/DialogSeam.h"
#include "app/MainWindow.h"
#include "app/MessageBoxSeam.h"
#include "app/PathText.h"
#include "verify/RecordGrid.h"
#include "verify/VerificationRun.h"

#include <windows.h>

std::string scanFolder;

namespace {
struct RecordColumn {
    const char* header;
    int width;
};
const RecordColumn kRecordColumns[] = {{"编号", 40},  {"文件路径", 300}, {"文件名", 90},    {"状态", 60},
                                       {"分辨率", 80}, {"结果", 50},     {"失败原因", 120}, {"验证时间", 120}};
constexpr DWORD kListedAttributes = 0x37;  // read-only, hidden, system, folder, archive
}  // namespace

void ResetRecordGrid(MainWindow& window) {
    RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1));
    if (grid == nullptr) return;
    grid->SetColumnCount(8);
    grid->SetRowCount(1);
    grid->SetGridLineColor(0xC0C0C0);
    grid->SetBackgroundColor(0xFFFFFF);
    grid->SetDefaultTextColor(0x000000);
    grid->SetRowHeight(20);
    grid->SetDefaultColumnWidth(60);
    grid->SetFixedRows(1);
    grid->SetFixedColumns(1);
    for (int c = 0; c < 8; ++c) {
        grid->SetCellText(0, c, kRecordColumns[c].header);
        grid->SetColumnWidth(c, kRecordColumns[c].width);
    }
    grid->SetAlignment(0, 3, 0, 5, CellAlign::Center);
    grid->Model()->CountEmptyCellsOf(3);  // a row is pending while its 状态 is empty
}

void ChooseScanFolder(MainWindow& window) {
    // A scan during a run would renumber the rows its tasks write to.
    if (VerificationRunning()) return;
    scanFolder = BrowseForFolder("选择文件或文件夹");
    if (scanFolder.empty()) {
        ShowInfoMessage("请选择文件夹路径");
        return;
    }
    SetWindowTextA(window.Control(编辑框_路径), scanFolder.c_str());
    ResetRecordGrid(window);
    // Nothing repaints during the scan, so showing the count once at the end shows the same as
    // writing it per row, which costs more than the rest of a row together.
    int lastRow = 0;
    ScanFolder(scanFolder, [&window, &lastRow](const std::string& folder, const std::string& name) {
        lastRow = AddRecordRow(window, folder, name, false);
    });
    if (lastRow > 0) SetWindowTextA(window.Control(编辑框_记录数量), std::to_string(lastRow).c_str());
}

void ScanFolder(std::string& folder, const std::function<void(const std::string&, const std::string&)>& perFile) {
    if (!EndsWithBackslash(folder)) folder += '\\';
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // The enumeration's own attributes stand for a second look-up of the same entry.
        const DWORD attributes = entry.dwFileAttributes & kListedAttributes;
        if (attributes == 0) continue;
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        perFile(folder, name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

int AddRecordRow(MainWindow& window, const std::string& folder, const std::string& name, bool showCount) {
    RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1));
    if (grid == nullptr) return 0;
    const int n = grid->RowCount();
    grid->AppendRow();
    const std::string number = std::to_string(n);
    grid->SetCellText(n, 0, number);
    grid->SetCellText(n, 1, folder + name);
    grid->SetCellText(n, 2, name);
    if (showCount) SetWindowTextA(window.Control(编辑框_记录数量), number.c_str());
    return n;
}
