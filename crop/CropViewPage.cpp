#include "crop/CropViewPage.h"

#include "common/FileBytes.h"
#include "common/ProgramResource.h"
#include "concurrency/ProcessObjects.h"
#include "crop/CropView.h"
#include "crop/FileDropTarget.h"
#include "crop/SourceList.h"
#include "ui/Controls.h"
#include "ui/MessageBoxSeam.h"
#include "ui/PageHost.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {
constexpr int32_t kZoomStep = 50, kZoomMax = 2000, kZoomMin = 100;
constexpr int kPanelDrawWidth = 304, kPanelDrawHeight = 365;

CropView* View(PageHost& host) { return CropView::FromWindow(host.Control(动画框1)); }

// Before a new picture is read, so that the old one and the new never take memory together.
void ReleasePicture(PageHost& host) {
    if (CropView* view = View(host)) view->SetSpritePicture(TheCropViewState().spriteId, SpritePicture());
}

// The picture stretched over 304 x 365 at the panel's top-left corner, on white.
void DrawOnCropPanel(PageHost& host, const SpritePicture& picture) {
    HWND panel = host.Control(画板_裁剪图);
    HDC dc = DrawingPanelDC(panel);
    if (dc == nullptr) return;
    std::vector<uint32_t> pixels(size_t{kPanelDrawWidth} * kPanelDrawHeight, 0xFFFFFFFF);
    if (!picture.Empty()) {
        picture.ScaleWindow(kPanelDrawWidth, kPanelDrawHeight, 0, 0, kPanelDrawWidth, kPanelDrawHeight,
                            reinterpret_cast<uint8_t*>(pixels.data()), kPanelDrawWidth * 4);
        for (uint32_t& pixel : pixels) {
            // Premultiplied over white.
            const uint32_t clear = 255 - (pixel >> 24);
            pixel += clear | (clear << 8) | (clear << 16);
        }
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kPanelDrawWidth;
    info.bmiHeader.biHeight = -kPanelDrawHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, kPanelDrawWidth, kPanelDrawHeight, 0, 0, 0, kPanelDrawHeight, pixels.data(), &info,
                      DIB_RGB_COLORS);
    InvalidateRect(panel, nullptr, FALSE);
}

// LoadPictureIntoCropView once the picture has been read and decoded.
void PlaceLoadedPicture(PageHost& host, const std::string& path, const std::string& name, SpritePicture picture) {
    SetWindowTextA(host.Control(编辑框_裁剪名), name.c_str());
    SetWindowTextA(host.Control(编辑框_裁剪图片原路径), path.c_str());
    CropViewState& state = TheCropViewState();
    state.zoomPermille = 1000;
    if (CropView* view = View(host)) view->SetSpritePicture(state.spriteId, std::move(picture));
    ResetZoom(host);
    ResetAngle(host);
    TheProcessHelper().TrimWorkingSet();
}

int32_t ClampToInt(int64_t value) {
    return static_cast<int32_t>(std::max<int64_t>(INT_MIN, std::min<int64_t>(INT_MAX, value)));
}

void ApplyZoom(PageHost& host) {
    const CropViewState& state = TheCropViewState();
    if (CropView* view = View(host)) view->SetSpriteScale(state.spriteId, state.zoomPermille, state.zoomPermille);
}
}  // namespace

CropViewState& TheCropViewState() {
    static CropViewState state;
    return state;
}

std::string CropViewPlaceholderBytes() { return ProgramResourceBytes("CROP_PLACEHOLDER"); }

void SetUpCropView(PageHost& host) {
    CropViewState& state = TheCropViewState();
    state = CropViewState();
    if (CropView* view = View(host)) {
        state.spriteId = view->AddSprite(k动画物体1, 0, 0, true);
        view->SetSpritePicture(state.spriteId, CropViewPlaceholderBytes());
        const HWND window = view->Window();
        RegisterFileDropTarget(window, [window](const std::string& text) {
            // Through the view's notice, so the drop is handled as the window's other events are.
            if (CropView* target = CropView::FromWindow(window)) target->NotifyFilesDropped(text);
        });
    }
    state.angleDegrees = 90;
    state.zoomPermille = 1000;
}

void RemoveCropViewSprite(PageHost& host) {
    if (CropView* view = View(host)) view->RemoveSprite(TheCropViewState().spriteId);
}

void OpenSelectedInCropView(PageHost& host) {
    HWND list = host.Control(超级列表框1);
    const int row = SelectedSourceRow(list);
    if (row < 0) return;
    const std::string path = SourceCell(list, row, SourceImageRow::图片路径);
    const std::string name = SourceCell(list, row, SourceImageRow::名称);
    ReleasePicture(host);
    // Decoded once for the panel and the view.
    SpritePicture picture = SpritePicture::Decode(ReadWholeFile(path));
    DrawOnCropPanel(host, picture);
    PlaceLoadedPicture(host, path, name, std::move(picture));
}

void LoadPictureIntoCropView(PageHost& host, const std::string& path, const std::string& name) {
    ReleasePicture(host);
    PlaceLoadedPicture(host, path, name, SpritePicture::Decode(ReadWholeFile(path)));
}

void ResetZoom(PageHost& host) {
    TheCropViewState().zoomPermille = 1000 / 4;
    ApplyZoom(host);
}

void ResetAngle(PageHost& host) {
    CropViewState& state = TheCropViewState();
    state.angleDegrees = 360;
    if (CropView* view = View(host)) view->SetSpriteAngle(state.spriteId, state.angleDegrees);
}

void ZoomIn(PageHost& host) {
    CropViewState& state = TheCropViewState();
    state.zoomPermille += kZoomStep;
    if (state.zoomPermille > kZoomMax) {
        ShowInfoMessage("不能再大了，");
        state.zoomPermille -= kZoomStep;
        return;
    }
    ApplyZoom(host);
}

void ZoomOut(PageHost& host) {
    CropViewState& state = TheCropViewState();
    state.zoomPermille -= kZoomStep;
    if (state.zoomPermille < kZoomMin) {
        ShowInfoMessage("不能再小了，");
        state.zoomPermille += kZoomStep;
        return;
    }
    ApplyZoom(host);
}

void ZoomByWheel(PageHost& host, int distance) {
    if (distance > 0) ZoomIn(host);
    if (distance < 0) ZoomOut(host);
}

void RotateQuarterTurn(PageHost& host) {
    CropViewState& state = TheCropViewState();
    const int32_t previous = state.angleDegrees;
    state.angleDegrees = previous == 270 ? 0 : previous + 90;
    if (CropView* view = View(host)) view->SetSpriteAngle(state.spriteId, state.angleDegrees);
}

void BeginDrag(PageHost& host, int x, int y) {
    CropViewState& state = TheCropViewState();
    state.dragging = true;
    CropView* view = View(host);
    state.dragSpriteX = view ? view->GetSpriteX(state.spriteId) : 0;
    state.dragSpriteY = view ? view->GetSpriteY(state.spriteId) : 0;
    state.dragMouseX = x;
    state.dragMouseY = y;
}

void DragTo(PageHost& host, int x, int y) {
    const CropViewState& state = TheCropViewState();
    if (!state.dragging) return;
    const int64_t dx = int64_t{x} - state.dragMouseX, dy = int64_t{y} - state.dragMouseY;
    if (CropView* view = View(host))
        view->MoveSprite(state.spriteId, ClampToInt(state.dragSpriteX + dx), ClampToInt(state.dragSpriteY + dy));
}

void EndDrag(PageHost&, int, int) { TheCropViewState().dragging = false; }

void LoadDroppedFile(PageHost& host, const std::string& text) {
    ReleasePicture(host);
    if (CropView* view = View(host)) view->SetSpritePicture(TheCropViewState().spriteId, ReadWholeFile(text));
}

LRESULT OnCropViewNotice(PageHost& host, const NMHDR& header) {
    const CropViewEvent& event = reinterpret_cast<const CropViewEvent&>(header);
    switch (header.code) {
    case kCropViewButtonDown: BeginDrag(host, event.x, event.y); break;
    case kCropViewMouseMove: DragTo(host, event.x, event.y); break;
    case kCropViewButtonUp: EndDrag(host, event.x, event.y); break;
    case kCropViewWheel: ZoomByWheel(host, event.wheelDistance); break;
    case kCropViewFilesDropped:
        if (event.droppedText) LoadDroppedFile(host, *event.droppedText);
        break;
    }
    return 0;
}
