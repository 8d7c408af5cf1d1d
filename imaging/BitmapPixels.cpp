// Single-pixel access beyond the inline fast path: the first read after writes, pending GDI
// output, depths other than 24 and 32 bits, COLORREFs that GDI resolves, and a DC or section
// handle in a caller's hands.
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

COLORREF 新位图操作类::GetPixelSlowly(int32_t x, int32_t y) {
    RefreshIfChanged();
    if (direct_.rows == nullptr || !directAllowed_ || handedOut_) return ::GetPixel(memoryDc_.Get(), x, y);
    FlushGdiOutput();
    return ReadDirect(x, y);
}

bool 新位图操作类::SetPixelSlowly(int32_t x, int32_t y, COLORREF colour) {
    if (direct_.rows != nullptr && directAllowed_ && !handedOut_ && (colour >> 24) == 0) {
        FlushGdiOutput();  // batched output must not land on top of this write later
        return WriteDirect(x, y, colour);
    }
    // Wine's SetPixelV reports success outside the bitmap; Windows' does not, and neither may we.
    const int64_t height = std::llabs(static_cast<int64_t>(GetHeight()));
    if (x < 0 || y < 0 || x >= GetWidth() || y >= height) return false;
    if (!SetPixelV(memoryDc_.Get(), x, y, colour)) return false;
    pixelsChanged_ = true;
    gdiOutputPending_ = true;
    return true;
}

void 新位图操作类::FlushGdiOutput() {
    GdiFlush();
    gdiOutputPending_ = false;
}
