#pragma once
// The crop view: a child window that draws a background and sprites, each a decoded picture with
// a position, a scale in thousandths and a clockwise rotation, and renders any rectangle of
// itself into a 32-bit BMP file image. Window thread only.
//
// The view reports the user's doings to its parent as WM_NOTIFY (CropViewEvent) and leaves what
// they mean to the page: the left button (pressed, moved, released; the view captures the mouse
// from press to release, and a lost capture ends the press as a release would), the wheel (any
// wheel message whose cursor is over the view comes here, whichever window has the keyboard
// focus) and files dropped on it (sent by the page's drop target through NotifyFilesDropped).
//
// A drawn picture is never made: painting and RenderRegion resample straight from the sprite's
// picture (crop/SpritePicture.h) into the rectangle asked for, so their cost and memory follow
// the view's size, not the picture's. Painting is double-buffered.
#include "crop/SpritePicture.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a sprite template gives a new sprite.
struct SpriteTemplate {
    int32_t scaleX = 1000;
    int32_t scaleY = 1000;
    int32_t angle = 0;
};
// The crop page's template 动画物体1.
constexpr SpriteTemplate k动画物体1 = {1000, 1000, 90};

// The "no colour" value: RenderRegion then starts from the view's background as drawn.
constexpr COLORREF kNoColor = 0xFF000000;

// The window class of the layout's sprite canvas.
extern const char kCropViewClass[];
void RegisterCropViewClass(HINSTANCE instance);

enum CropViewNotice : UINT {
    kCropViewButtonDown = 1,
    kCropViewMouseMove,
    kCropViewButtonUp,
    kCropViewWheel,
    kCropViewFilesDropped,
};
struct CropViewEvent {
    NMHDR header;  // code is a CropViewNotice
    int x = 0;     // client coordinates of the mouse (button and move notices)
    int y = 0;
    int wheelDistance = 0;                   // kCropViewWheel
    const std::string* droppedText = nullptr;  // kCropViewFilesDropped
};

class CropView {
public:
    // The view of a window of kCropViewClass, or nullptr.
    static CropView* FromWindow(HWND window);

    HWND Window() const { return hwnd_; }
    // What the view shows where no sprite is; white at first. The view has no border, so its
    // client area is its whole window.
    COLORREF BackgroundColor() const { return background_; }
    void SetBackgroundColor(COLORREF color);

    int AddSprite(const SpriteTemplate& from, int x, int y, bool visible);
    void RemoveSprite(int id);
    // Releases the picture, then decodes the bytes; undecodable bytes leave no picture. Position,
    // scale and angle stay.
    void SetSpritePicture(int id, const std::string& bytes);
    void SetSpritePicture(int id, SpritePicture picture);
    void MoveSprite(int id, int x, int y);
    int GetSpriteX(int id) const;  // truncated toward zero
    int GetSpriteY(int id) const;
    // Reduces the degrees modulo 360; a changed angle keeps the drawn picture's centre.
    void SetSpriteAngle(int id, int degrees);
    // Ignored for a value of 0 or less or when both are unchanged; the top-left corner stays.
    void SetSpriteScale(int id, int scaleX, int scaleY);
    void SetSpriteVisible(int id, bool visible);
    // The rectangle clipped to the client area, as a BMP file image (54-byte headers, 32 bits,
    // rows bottom-up, top bytes 0); empty when the intersection is. background is a COLORREF, or
    // kNoColor for the view's own background.
    std::string RenderRegion(int left, int top, int width, int height, COLORREF background) const;

    struct SpriteState {
        bool exists = false;
        double x = 0, y = 0;
        int scaleX = 0, scaleY = 0;
        int angle = 0;
        bool visible = false;
        int pictureWidth = 0, pictureHeight = 0;  // 0 without a picture
        bool drawn = false;                       // whether there is a drawn picture
        int drawnWidth = 0, drawnHeight = 0;
        size_t pictureBytes = 0;  // memory the picture and its levels take
    };
    SpriteState State(int id) const;

    // Tells the parent that files were dropped on the view (the dropped-file text).
    void NotifyFilesDropped(const std::string& text);

    // Draws a rectangle of the client area (the caller clips it) into 32-bit pixels 0x..RRGGBB,
    // rowStride pixels from one row to the next, the first row the rectangle's top. The top
    // bytes are left as drawing leaves them.
    void Render(const RECT& area, COLORREF background, uint32_t* pixels, ptrdiff_t rowStride) const;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Sprite;
    explicit CropView(HWND hwnd);
    ~CropView();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnButton(UINT message, LPARAM lParam);
    void OnCaptureLost();
    void Notify(CropViewEvent& event);
    Sprite* Find(int id);
    const Sprite* Find(int id) const;
    void Redraw();
    void DrawSprite(const Sprite& sprite, const RECT& area, uint32_t* pixels, ptrdiff_t rowStride) const;

    HWND hwnd_;
    COLORREF background_ = RGB(255, 255, 255);
    std::vector<std::unique_ptr<Sprite>> sprites_;  // in drawing order
    int nextId_ = 1;
    bool pressed_ = false;
    POINT lastMouse_ = {};
    // The paint buffer: a DIB section of the client size in its own memory DC.
    HDC bufferDc_ = nullptr;
    HBITMAP buffer_ = nullptr;
    HGDIOBJ bufferOriginal_ = nullptr;
    uint32_t* bufferBits_ = nullptr;
    SIZE bufferSize_ = {};
    // A drawing's resampled window, kept between paints: at most the client area.
    mutable std::vector<uint32_t> scratch_;
};
