#include "verify/VerifyPage.h"

#include "ui/PageHost.h"
#include "verify/ClearVerification.h"
#include "verify/FailureExport.h"
#include "verify/FolderScan.h"
#include "verify/GridMenu.h"
#include "verify/PreviewPicture.h"
#include "verify/RecordGrid.h"
#include "verify/VerificationRun.h"

void WireVerifyPage(PageHost& host, const SourceListHandOver& cropList) {
    PageHost* h = &host;
    host.SetCommandHandler(按钮_选择, [h] { ChooseScanFolder(*h); });
    host.SetCommandHandler(按钮_验证图片, [h] { StartVerification(*h); });
    // Tasks read the limits as the controls stand when each task runs.
    auto refresh = [h] { RefreshVerificationLimits(*h); };
    host.SetCommandHandler(选择框_现在分辨率, refresh);
    host.SetChangeHandler(编辑框1, refresh);
    host.SetChangeHandler(编辑框2, refresh);
    host.SetNotifyHandler(高级表格1, [h](const NMHDR& header) -> LRESULT {
        if (header.code == kGridCurrentCellChanged) ShowSelectedRecord(*h);
        else if (header.code == kGridRightButtonPressed) ShowGridMenu(*h);
        return 0;
    });
    host.SetCommandHandler(菜单_导出超分辨率图片, [h, cropList] { ExportOversizedToCropList(*h, cropList); });
    host.SetCommandHandler(菜单_导出失败名单, [h] { ExportFailureList(*h); });
    host.SetCommandHandler(按钮_清除验证, [h] { ClearVerification(*h); });
}
