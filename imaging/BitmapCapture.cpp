// Filling the object from the screen, a window, a device context or an icon.
#include "imaging/BitmapObject.h"

#include <climits>

namespace {

bool AllowedBitDepth(int32_t bitDepth) {
    switch (bitDepth) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

// Sides and source points worked out from a caller's coordinates; nonsense that leaves int32
// is refused rather than wrapped.
bool ToInt32(int64_t value, int32_t& out) {
    if (value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}

}  // namespace

bool 新位图操作类::CaptureScreen(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitDepth) {
    Clear();
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return false;
    if (bitDepth == 0) bitDepth = static_cast<int32_t>(mode.dmBitsPerPel);
    if (!AllowedBitDepth(bitDepth)) return false;
    if (width == 0 && !ToInt32(static_cast<int64_t>(mode.dmPelsWidth) - x, width)) return false;
    if (height == 0 && !ToInt32(static_cast<int64_t>(mode.dmPelsHeight) - y, height)) return false;
    if (!BuildHeader(width, height, bitDepth) || !MakeSection(screenDc_.Get())) return false;
    return CopyIn(screenDc_.Get(), x, y, width, height);
}

bool 新位图操作类::CaptureWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height, int32_t bitDepth) {
    Clear();
    if (IsIconic(window) || !IsWindowVisible(window)) return false;
    if (bitDepth == 0) bitDepth = 24;
    if (!AllowedBitDepth(bitDepth)) return false;

    RECT client = {};
    if (!GetClientRect(window, &client)) return false;
    MemoryDcHandle printDc(CreateCompatibleDC(screenDc_.Get()));
    GdiObjectHandle printed(CreateCompatibleBitmap(screenDc_.Get(), client.right, client.bottom));
    SelectionHandle selection;
    if (printDc.Get() == nullptr || printed.Get() == nullptr || !selection.Select(printDc.Get(), printed.Get())) {
        return false;
    }
    // The client area alone, at the print's origin. A print of the whole window would put the
    // client area where the printer places it within the frame, and not every printer offsets it.
    PatBlt(printDc.Get(), 0, 0, client.right, client.bottom, BLACKNESS);
    if ((PrintWindow(window, printDc.Get(), PW_CLIENTONLY) & 1) == 0) return false;

    if (width == 0 && !ToInt32(static_cast<int64_t>(client.right) - x, width)) return false;
    if (height == 0 && !ToInt32(static_cast<int64_t>(client.bottom) - y, height)) return false;
    if (!BuildHeader(width, height, bitDepth) || !MakeSection(screenDc_.Get())) return false;
    return CopyIn(printDc.Get(), x, y, width, height);
}

bool 新位图操作类::LoadFromDc(HDC dc, const RECT& rect, int32_t bitDepth) {
    Clear();
    if (!AllowedBitDepth(bitDepth)) return false;
    int32_t width = 0, height = 0;
    if (!ToInt32(static_cast<int64_t>(rect.right) - rect.left, width) ||
        !ToInt32(static_cast<int64_t>(rect.bottom) - rect.top, height)) {
        return false;
    }
    if (!BuildHeader(width, height, bitDepth) || !MakeSection(dc)) return false;
    return CopyIn(dc, rect.left, rect.top, width, height);
}

bool 新位图操作类::LoadFromIcon(HICON icon, int32_t width, int32_t height, int32_t bitDepth) {
    Clear();
    MemoryDcHandle drawDc(CreateCompatibleDC(screenDc_.Get()));
    GdiObjectHandle canvas(CreateCompatibleBitmap(screenDc_.Get(), width, height));
    GdiObjectHandle white(CreateSolidBrush(RGB(255, 255, 255)));
    SelectionHandle selection;
    if (drawDc.Get() == nullptr || canvas.Get() == nullptr || white.Get() == nullptr ||
        !selection.Select(drawDc.Get(), canvas.Get())) {
        return false;
    }
    const RECT whole = {0, 0, width, height};
    // An icon that cannot be drawn would leave a white picture that looks like a loaded one.
    if (!FillRect(drawDc.Get(), &whole, static_cast<HBRUSH>(white.Get())) ||
        !DrawIconEx(drawDc.Get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) {
        return false;
    }
    return LoadFromDc(drawDc.Get(), whole, bitDepth) && dib_.Get() != nullptr;
}
