#include "verify/FolderScan.h"

#include "common/FolderFiles.h"
#include "ui/DialogSeam.h"
#include "ui/MessageBoxSeam.h"
#include "ui/PageHost.h"
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
}  // namespace

void ResetRecordGrid(PageHost& host) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
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

void ChooseScanFolder(PageHost& host) {
    // A scan during a run would renumber the rows its tasks write to.
    if (VerificationRunning(host)) return;
    scanFolder = BrowseForFolder("选择文件或文件夹");
    if (scanFolder.empty()) {
        ShowInfoMessage("请选择文件夹路径");
        return;
    }
    SetWindowTextA(host.Control(编辑框_路径), scanFolder.c_str());
    ResetRecordGrid(host);
    // Nothing repaints during the scan, so showing the count once at the end shows the same as
    // writing it per row, which costs more than the rest of a row together.
    int lastRow = 0;
    ScanFolder(scanFolder, [&host, &lastRow](const std::string& folder, const std::string& name) {
        lastRow = AddRecordRow(host, folder, name, false);
    });
    if (lastRow > 0) SetWindowTextA(host.Control(编辑框_记录数量), std::to_string(lastRow).c_str());
}

void ScanFolder(std::string& folder, const std::function<void(const std::string&, const std::string&)>& perFile) {
    folder = ForEachFolderFile(folder, perFile);
}

int AddRecordRow(PageHost& host, const std::string& folder, const std::string& name, bool showCount) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    if (grid == nullptr) return 0;
    const int n = grid->RowCount();
    grid->AppendRow();
    const std::string number = std::to_string(n);
    grid->SetCellText(n, 0, number);
    grid->SetCellText(n, 1, folder + name);
    grid->SetCellText(n, 2, name);
    if (showCount) SetWindowTextA(host.Control(编辑框_记录数量), number.c_str());
    return n;
}
