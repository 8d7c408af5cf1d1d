#include "crop/CropView.h"

#include "crop/CropViewSprite.h"
#include "crop/CropViewWheel.h"

#include <ole2.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

// The class name is the layout's kind of control, a sprite canvas.
const char kCropViewClass[] = "QuillmereSpriteCanvas";

namespace {
ATOM g_class = 0;
}

void RegisterCropViewClass(HINSTANCE instance) {
    if (g_class != 0) return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &CropView::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;  // every pixel comes from the paint buffer
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = kCropViewClass;
    g_class = RegisterClassA(&wc);
}

CropView* CropView::FromWindow(HWND window) {
    if (window == nullptr || g_class == 0 || GetClassLongPtrA(window, GCW_ATOM) != g_class) return nullptr;
    return reinterpret_cast<CropView*>(GetWindowLongPtrA(window, 0));
}

CropView::CropView(HWND hwnd) : hwnd_(hwnd) {}

CropView::~CropView() {
    if (bufferDc_) {
        SelectObject(bufferDc_, bufferOriginal_);
        DeleteDC(bufferDc_);
    }
    if (buffer_) DeleteObject(buffer_);
}

LRESULT CALLBACK CropView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CropView* self = reinterpret_cast<CropView*>(GetWindowLongPtrA(hwnd, 0));
    if (message == WM_NCCREATE) {
        self = new CropView(hwnd);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, 0, 0);
        delete self;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CropView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        RouteWheelOverWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        StopRoutingWheel(hwnd_);
        // The page's drop target holds this window; it must be gone before the window is.
        RevokeDragDrop(hwnd_);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        OnButton(message, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd_) OnCaptureLost();
        return 0;
    case WM_MOUSEWHEEL: {
        CropViewEvent event;
        event.header.code = kCropViewWheel;
        event.wheelDistance = GET_WHEEL_DELTA_WPARAM(wParam);
        Notify(event);
        return 0;
    }
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void CropView::OnButton(UINT message, LPARAM lParam) {
    CropViewEvent event;
    event.x = GET_X_LPARAM(lParam);
    event.y = GET_Y_LPARAM(lParam);
    lastMouse_ = {event.x, event.y};
    if (message == WM_LBUTTONDOWN) {
        // Captured, so that the release ends the drag wherever it happens.
        pressed_ = true;
        SetCapture(hwnd_);
        event.header.code = kCropViewButtonDown;
    } else if (message == WM_LBUTTONUP) {
        const bool wasPressed = pressed_;
        pressed_ = false;
        if (wasPressed && GetCapture() == hwnd_) ReleaseCapture();
        event.header.code = kCropViewButtonUp;
    } else {
        event.header.code = kCropViewMouseMove;
    }
    Notify(event);
}

void CropView::OnCaptureLost() {
    // Another window took the mouse (a message box, a switch of windows): the release will never
    // come here, so the press ends now, where the mouse was last seen.
    if (!pressed_) return;
    pressed_ = false;
    CropViewEvent event;
    event.header.code = kCropViewButtonUp;
    event.x = lastMouse_.x;
    event.y = lastMouse_.y;
    Notify(event);
}

void CropView::Notify(CropViewEvent& event) {
    event.header.hwndFrom = hwnd_;
    event.header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd_));
    HWND parent = GetParent(hwnd_);
    if (parent) SendMessageA(parent, WM_NOTIFY, event.header.idFrom, reinterpret_cast<LPARAM>(&event));
}

void CropView::NotifyFilesDropped(const std::string& text) {
    CropViewEvent event;
    event.header.code = kCropViewFilesDropped;
    event.droppedText = &text;
    Notify(event);
}

void CropView::SetBackgroundColor(COLORREF color) {
    background_ = color & 0xFFFFFF;
    Redraw();
}

void CropView::Redraw() { InvalidateRect(hwnd_, nullptr, FALSE); }

CropView::Sprite* CropView::Find(int id) {
    for (auto& sprite : sprites_) {
        if (sprite->id == id) return sprite.get();
    }
    return nullptr;
}

const CropView::Sprite* CropView::Find(int id) const { return const_cast<CropView*>(this)->Find(id); }

int CropView::AddSprite(const SpriteTemplate& from, int x, int y, bool visible) {
    auto sprite = std::make_unique<Sprite>();
    sprite->id = nextId_++;
    sprite->x = x;
    sprite->y = y;
    sprite->scaleX = from.scaleX > 0 ? from.scaleX : 1000;
    sprite->scaleY = from.scaleY > 0 ? from.scaleY : 1000;
    sprite->angle = ReduceAngle(from.angle);
    sprite->visible = visible;
    sprite->UpdateDrawnSize();
    const int id = sprite->id;
    sprites_.push_back(std::move(sprite));
    Redraw();
    return id;
}

void CropView::RemoveSprite(int id) {
    auto found = std::find_if(sprites_.begin(), sprites_.end(), [id](const auto& s) { return s->id == id; });
    if (found == sprites_.end()) return;
    sprites_.erase(found);
    Redraw();
}

void CropView::SetSpritePicture(int id, const std::string& bytes) {
    Sprite* sprite = Find(id);
    if (sprite == nullptr) return;
    // The old picture goes before the new one is decoded, so two never take memory at once.
    sprite->picture = SpritePicture();
    SetSpritePicture(id, SpritePicture::Decode(bytes));
}

void CropView::SetSpritePicture(int id, SpritePicture picture) {
    Sprite* sprite = Find(id);
    if (sprite == nullptr) return;
    sprite->picture = std::move(picture);
    sprite->UpdateDrawnSize();
    Redraw();
}

void CropView::MoveSprite(int id, int x, int y) {
    Sprite* sprite = Find(id);
    if (sprite == nullptr) return;
    sprite->x = x;
    sprite->y = y;
    Redraw();
}

int CropView::GetSpriteX(int id) const {
    const Sprite* sprite = Find(id);
    return sprite ? TruncatedPosition(sprite->x) : 0;
}

int CropView::GetSpriteY(int id) const {
    const Sprite* sprite = Find(id);
    return sprite ? TruncatedPosition(sprite->y) : 0;
}

void CropView::SetSpriteAngle(int id, int degrees) {
    Sprite* sprite = Find(id);
    if (sprite == nullptr) return;
    const int angle = ReduceAngle(degrees);
    if (angle == sprite->angle) return;
    const bool wasDrawn = sprite->drawn;
    const int w0 = sprite->drawnWidth, h0 = sprite->drawnHeight;
    sprite->angle = angle;
    sprite->UpdateDrawnSize();
    if (wasDrawn && sprite->drawn) {
        // The centre stays, to within the halves' rounding.
        sprite->x += w0 / 2 - sprite->drawnWidth / 2;
        sprite->y += h0 / 2 - sprite->drawnHeight / 2;
    }
    Redraw();
}

void CropView::SetSpriteScale(int id, int scaleX, int scaleY) {
    Sprite* sprite = Find(id);
    if (sprite == nullptr || scaleX <= 0 || scaleY <= 0) return;
    if (scaleX == sprite->scaleX && scaleY == sprite->scaleY) return;
    sprite->scaleX = scaleX;
    sprite->scaleY = scaleY;
    sprite->UpdateDrawnSize();
    Redraw();
}

void CropView::SetSpriteVisible(int id, bool visible) {
    Sprite* sprite = Find(id);
    if (sprite == nullptr || sprite->visible == visible) return;
    sprite->visible = visible;
    Redraw();
}

CropView::SpriteState CropView::State(int id) const {
    SpriteState state;
    const Sprite* sprite = Find(id);
    if (sprite == nullptr) return state;
    state.exists = true;
    state.x = sprite->x;
    state.y = sprite->y;
    state.scaleX = sprite->scaleX;
    state.scaleY = sprite->scaleY;
    state.angle = sprite->angle;
    state.visible = sprite->visible;
    state.pictureWidth = sprite->picture.Width();
    state.pictureHeight = sprite->picture.Height();
    state.drawn = sprite->drawn;
    state.drawnWidth = sprite->drawnWidth;
    state.drawnHeight = sprite->drawnHeight;
    state.pictureBytes = sprite->picture.MemoryBytes();
    return state;
}

void CropView::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT area;
    if (IntersectRect(&area, &paint.rcPaint, &client)) {
        if (buffer_ == nullptr || bufferSize_.cx != client.right || bufferSize_.cy != client.bottom) {
            if (bufferDc_) {
                SelectObject(bufferDc_, bufferOriginal_);
                DeleteDC(bufferDc_);
                bufferDc_ = nullptr;
            }
            if (buffer_) DeleteObject(buffer_);
            BITMAPINFO info = {};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = client.right;
            info.bmiHeader.biHeight = -client.bottom;  // top-down
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            buffer_ = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            bufferBits_ = static_cast<uint32_t*>(bits);
            bufferSize_ = {client.right, client.bottom};
            if (buffer_) {
                bufferDc_ = CreateCompatibleDC(dc);
                bufferOriginal_ = SelectObject(bufferDc_, buffer_);
            }
        }
        if (buffer_ && bufferDc_) {
            const ptrdiff_t stride = bufferSize_.cx;
            GdiFlush();
            Render(area, background_, bufferBits_ + area.top * stride + area.left, stride);
            BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, bufferDc_, area.left,
                   area.top, SRCCOPY);
        }
    }
    EndPaint(hwnd_, &paint);
}
