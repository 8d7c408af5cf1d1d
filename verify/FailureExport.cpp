#include "verify/FailureExport.h"

#include "common/FileBytes.h"
#include "common/PathText.h"
#include "common/ProgramFolder.h"
#include "concurrency/MessageWaits.h"
#include "ui/MessageBoxSeam.h"
#include "ui/PageHost.h"
#include "verify/RecordGrid.h"

#include <windows.h>
#include <shlobj.h>

namespace {
constexpr int kPath = 1, kResult = 5, kReason = 6;

DesktopFolderAnswer& DesktopAnswer() {
    static DesktopFolderAnswer answer;
    return answer;
}

}  // namespace

void SetDesktopFolderForTests(DesktopFolderAnswer answer) { DesktopAnswer() = std::move(answer); }

std::string DesktopFolder() {
    if (DesktopAnswer()) return DesktopAnswer()();
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE)) return {};
    return path;
}

void ExportFailureList(PageHost& host) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    if (grid == nullptr) return;
    std::string text;
    // Messages are dispatched per row and may change the grid: its size is read each pass.
    for (int row = 1; row < grid->RowCount(); ++row) {
        PumpMessages();
        if (host.Closing()) return;
        if (grid->CellText(row, kResult) == "失败")
            text += grid->CellText(row, kPath) + " >" + grid->CellText(row, kReason) + "\r\n";
    }
    std::string folder = DesktopFolder();
    if (folder.empty()) folder = ProgramFolder();
    if (!EndsWithBackslash(folder)) folder += '\\';
    const std::string file = folder + "错误名单.txt";
    // Cells hold GBK already, and so do the program's literals: the bytes go out unchanged.
    if (WriteWholeFile(file, text)) ShowInfoMessage("文件路径为：" + file);
    else ShowInfoMessage("文件写入失败：" + file);
}
