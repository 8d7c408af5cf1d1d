// Copying the picture: into a new section of another depth, onto another bitmap object, onto a
// window.
#include "imaging/BitmapObject.h"

#include <new>
#include <vector>

bool 新位图操作类::ConvertBitDepth(int32_t bitDepth) {
    BITMAP bm = {};
    if (!DescribeSection(bm)) return false;
    // Built aside, so that a refused depth or a failed section leaves the picture as it was.
    新位图操作类 converted;
    if (!converted.BuildHeader(bm.bmWidth, bm.bmHeight, bitDepth) || !converted.MakeSection(screenDc_.Get())) {
        return false;
    }
    if (!BitBlt(converted.memoryDc_.Get(), 0, 0, bm.bmWidth, bm.bmHeight, memoryDc_.Get(), 0, 0, SRCCOPY)) {
        return false;
    }
    converted.RefreshBytes();
    SwapPicture(converted);  // the old picture goes with `converted`
    return true;
}

bool 新位图操作类::DrawOnto(新位图操作类& target, int32_t sourceX, int32_t sourceY, std::optional<int32_t> width,
                         std::optional<int32_t> height, int32_t targetX, int32_t targetY) {
    BITMAP bm = {};
    if (!DescribeSection(bm) || target.memoryDc_.Get() == nullptr) return false;
    // Through the target's own DC, not GetMemoryDc: the copy is flushed below, so the target's
    // direct pixel access stays exact and need not give way to GDI.
    const bool copied = BitBlt(target.memoryDc_.Get(), targetX, targetY, width.value_or(bm.bmWidth),
                               height.value_or(bm.bmHeight), memoryDc_.Get(), sourceX, sourceY, SRCCOPY) != FALSE;
    target.RefreshBytes();
    return copied;
}

bool 新位图操作类::DrawToWindow(HWND window) {
    BITMAP bm = {};
    if (!DescribeSection(bm)) return false;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = bm.bmWidth;
    info.header.biHeight = bm.bmHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = bm.bmBitsPixel;
    info.header.biCompression = BI_RGB;
    BITMAPINFO* const described = reinterpret_cast<BITMAPINFO*>(&info);
    // Four bytes a pixel hold a row of any depth up to 32 bits with its padding.
    std::vector<uint8_t> rows;
    try {
        rows.resize(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight) * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    FlushGdiOutput();  // GetDIBits reads the section's memory
    if (GetDIBits(memoryDc_.Get(), static_cast<HBITMAP>(dib_.Get()), 0, static_cast<UINT>(bm.bmHeight), rows.data(),
                  described, DIB_RGB_COLORS) == 0) {
        return false;
    }
    HDC dc = GetDC(window);
    if (dc == nullptr) return false;
    const int painted = SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(bm.bmWidth), static_cast<DWORD>(bm.bmHeight), 0,
                                          0, 0, static_cast<UINT>(bm.bmHeight), rows.data(), described, DIB_RGB_COLORS);
    ReleaseDC(window, dc);
    return painted > 0;
}
