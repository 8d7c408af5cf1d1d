#include "verify/GridMenu.h"

#include "ui/PageHost.h"
#include "verify/RecordGrid.h"

#include <windows.h>

namespace {
constexpr int kPath = 1, kName = 2, kResolution = 4, kResult = 5, kReason = 6;
}  // namespace

void ShowGridMenu(PageHost& host) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    HMENU menu = host.ParameterMenu();
    if (grid == nullptr || menu == nullptr) return;
    const UINT state = grid->RowCount() == 1 ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(menu, 菜单_导出超分辨率图片, MF_BYCOMMAND | state);
    EnableMenuItem(menu, 菜单_导出失败名单, MF_BYCOMMAND | state);
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, host.Window(), nullptr);
}

void ExportOversizedToCropList(PageHost& host, const SourceListHandOver& list) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    if (grid == nullptr) return;
    list.deleteAllRows();
    // Appending dispatches messages, which may change the grid: its size is read each pass.
    for (int row = 1; row < grid->RowCount(); ++row) {
        if (grid->CellText(row, kResult) == "失败" && grid->CellText(row, kReason) == "分辨率过高")
            list.appendRow(grid->CellText(row, kPath), grid->CellText(row, kName), grid->CellText(row, kResolution));
        if (host.Closing()) return;
    }
    host.SelectPage(TabPage::Crop);
}
