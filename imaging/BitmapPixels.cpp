// Single-pixel access. GDI's GetPixel and SetPixelV cost a call into GDI per pixel; for the 24-
// and 32-bit BI_RGB sections of the resize path the section's memory is read and written here
// instead, with the same results: GDI reads blue, green, red from the pixel's bytes (ignoring a
// 32-bit pixel's fourth byte) and SetPixelV writes them, with a zero fourth byte, for a plain RGB
// COLORREF. Other COLORREF kinds (palette index, palette-relative) and other depths go to GDI.
#include "imaging/BitmapObject.h"

#include <cstdlib>

void 新位图操作类::DescribeDirectLayout() {
    direct_ = DirectLayout();
    DIBSECTION section = {};
    if (GetObjectA(dib_.Get(), sizeof section, &section) != static_cast<int>(sizeof section)) return;
    const BITMAPINFOHEADER& header = section.dsBmih;
    if (header.biCompression != BI_RGB || (header.biBitCount != 24 && header.biBitCount != 32)) return;
    if (section.dsBm.bmBits == nullptr || section.dsBm.bmWidth < 1 || section.dsBm.bmHeight < 1) return;

    const ptrdiff_t stride = RowBytes(section.dsBm.bmWidth * header.biBitCount);
    uint8_t* const first = static_cast<uint8_t*>(section.dsBm.bmBits);
    const bool bottomUp = header.biHeight > 0;
    direct_.rows = bottomUp ? first + stride * (section.dsBm.bmHeight - 1) : first;
    direct_.rowStep = bottomUp ? -stride : stride;
    direct_.width = section.dsBm.bmWidth;
    direct_.height = section.dsBm.bmHeight;
    direct_.bytesPerPixel = header.biBitCount / 8;
}

uint8_t* 新位图操作类::DirectPixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= direct_.width || y >= direct_.height) return nullptr;
    return direct_.rows + direct_.rowStep * y + static_cast<ptrdiff_t>(direct_.bytesPerPixel) * x;
}

COLORREF 新位图操作类::GetPixel(int32_t x, int32_t y) {
    RefreshIfChanged();
    if (direct_.rows == nullptr || !directAllowed_) return ::GetPixel(memoryDc_.Get(), x, y);
    GdiFlush();  // output to the memory DC may still sit in this thread's GDI batch
    const uint8_t* pixel = DirectPixel(x, y);
    if (pixel == nullptr) return CLR_INVALID;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

bool 新位图操作类::SetPixel(int32_t x, int32_t y, COLORREF colour) {
    if (direct_.rows != nullptr && directAllowed_ && (colour >> 24) == 0) {
        uint8_t* pixel = DirectPixel(x, y);
        if (pixel == nullptr) return false;
        GdiFlush();  // batched output must not land on top of this write later
        pixel[0] = GetBValue(colour);
        pixel[1] = GetGValue(colour);
        pixel[2] = GetRValue(colour);
        if (direct_.bytesPerPixel == 4) pixel[3] = 0;
        pixelsChanged_ = true;
        return true;
    }
    // Wine's SetPixelV reports success outside the bitmap; Windows' does not, and neither may we.
    const int64_t height = std::llabs(static_cast<int64_t>(GetHeight()));
    if (x < 0 || y < 0 || x >= GetWidth() || y >= height) return false;
    if (!SetPixelV(memoryDc_.Get(), x, y, colour)) return false;
    pixelsChanged_ = true;
    return true;
}
