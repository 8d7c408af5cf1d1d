#pragma once
// The crop page's use of its view 动画框1: one sprite made from 动画物体1, loaded from the source
// list or a drop, dragged, zoomed in thousandths between 100 and 2000 and turned by quarter turns.
//
// Threads: window thread only. The handlers run from the window's events (buttons, the view's
// notices, the list's click); the zoom limits' message box dispatches messages meanwhile.
#include <windows.h>

#include <cstdint>
#include <string>

class PageHost;

struct CropViewState {
    int32_t spriteId = 0;
    bool dragging = false;
    int32_t dragMouseX = 0, dragMouseY = 0;
    int32_t dragSpriteX = 0, dragSpriteY = 0;
    int32_t zoomPermille = 1000;
    int32_t angleDegrees = 90;
};
// The page's one state, made anew by SetUpCropView.
CropViewState& TheCropViewState();

// Once the main window exists: the sprite with the placeholder, turned by 90, and the drop target.
void SetUpCropView(PageHost& host);
// When the main window is being destroyed.
void RemoveCropViewSprite(PageHost& host);
// The white 819 x 460 JPEG the program carries.
std::string CropViewPlaceholderBytes();

// Left click on 超级列表框1: the selected row's picture into 画板_裁剪图 and the view.
void OpenSelectedInCropView(PageHost& host);
void LoadPictureIntoCropView(PageHost& host, const std::string& path, const std::string& name);
void ResetZoom(PageHost& host);
void ResetAngle(PageHost& host);
void ZoomIn(PageHost& host);
void ZoomOut(PageHost& host);
// One step in the wheel's direction per event, whatever the distance.
void ZoomByWheel(PageHost& host, int distance);
void RotateQuarterTurn(PageHost& host);
void BeginDrag(PageHost& host, int x, int y);
void DragTo(PageHost& host, int x, int y);
void EndDrag(PageHost& host, int x, int y);
// The dropped-file text: one path, or every path followed by CR LF.
void LoadDroppedFile(PageHost& host, const std::string& text);

// The view's notices (crop/CropView.h) to the handlers above.
LRESULT OnCropViewNotice(PageHost& host, const NMHDR& header);
