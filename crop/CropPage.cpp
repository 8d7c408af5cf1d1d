#include "crop/CropPage.h"

#include "crop/BatchResize.h"
#include "crop/CropSave.h"
#include "crop/CropViewPage.h"
#include "crop/SourceList.h"
#include "ui/PageHost.h"

#include <commctrl.h>

void WireCropPage(PageHost& host) {
    PageHost* h = &host;
    host.SetCommandHandler(按钮_选择图片路径, [h] { ChooseSourceFolder(*h); });
    host.SetCommandHandler(按钮_单文件选择, [h] { AddSingleFile(*h); });
    host.SetCommandHandler(按钮_清除标识, [h] { ClearStatusMarks(*h); });
    host.SetCommandHandler(菜单_删除选中, [h] { DeleteSelectedRow(*h); });
    host.SetCommandHandler(菜单_删除全部, [h] { DeleteAllRows(*h); });
    host.SetNotifyHandler(超级列表框1, [h](const NMHDR& header) -> LRESULT {
        if (header.code == NM_RCLICK) ShowListMenu(*h);
        // The list view sends its click after it has moved the selection.
        if (header.code == NM_CLICK) OpenSelectedInCropView(*h);
        return 0;
    });
    host.SetCommandHandler(超级按钮_放大, [h] { ZoomIn(*h); });
    host.SetCommandHandler(超级按钮_缩小, [h] { ZoomOut(*h); });
    host.SetCommandHandler(超级按钮_旋转, [h] { RotateQuarterTurn(*h); });
    host.SetNotifyHandler(动画框1, [h](const NMHDR& header) { return OnCropViewNotice(*h, header); });
    WireCropSave(host);
    WireBatchResize(host);
}
