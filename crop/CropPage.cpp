#include "crop/CropPage.h"

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
        return 0;
    });
}
