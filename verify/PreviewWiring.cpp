#include "verify/PreviewWiring.h"

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "verify/ClearVerification.h"
#include "verify/FailureExport.h"
#include "verify/GridMenu.h"
#include "verify/PreviewPicture.h"
#include "verify/RecordGrid.h"

void WirePreviewAndExport(MainWindow& window) {
    MainWindow* w = &window;
    if (RecordGrid* grid = RecordGrid::FromWindow(window.Control(高级表格1))) {
        grid->onCurrentCellChanged = [w] { ShowSelectedRecord(*w); };
        grid->onRightButtonPressed = [w](POINT) { ShowGridMenu(*w); };
    }
    window.SetCommandHandler(菜单_导出超分辨率图片, [w] { ExportOversizedToCropList(*w); });
    window.SetCommandHandler(菜单_导出失败名单, [w] { ExportFailureList(*w); });
    window.SetCommandHandler(按钮_清除验证, [w] { ClearVerification(*w); });
}
