#include "verify/GridMenu.h"

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "crop/SourceList.h"
#include "verify/RecordGrid.h"

#include <windows.h>

namespace {
constexpr int kPath = 1, kName = 2, kResolution = 4, kResult = 5, kReason = 6;
}  // namespace

void ShowGridMenu(MainWindow& window) {
    RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1));
    HMENU menu = window.ParameterMenu();
    if (grid == nullptr || menu == nullptr) return;
    const UINT state = grid->RowCount() == 1 ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(menu, 菜单_导出超分辨率图片, MF_BYCOMMAND | state);
    EnableMenuItem(menu, 菜单_导出失败名单, MF_BYCOMMAND | state);
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window.Handle(), nullptr);
}

void ExportOversizedToCropList(MainWindow& window) {
    RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1));
    if (grid == nullptr) return;
    DeleteAllRows(window);
    // AppendSourceRow dispatches messages, which may change the grid: its size is read each pass.
    for (int row = 1; row < grid->RowCount(); ++row) {
        if (grid->CellText(row, kResult) == "失败" && grid->CellText(row, kReason) == "分辨率过高")
            AppendSourceRow(window, grid->CellText(row, kPath), grid->CellText(row, kName),
                            grid->CellText(row, kResolution));
    }
    window.SelectPage(TabPage::Crop);
}
