// The DIB section and its memory DC: taking a caller's section over, handing ours out, and the
// steps every fill and conversion shares.
#include "imaging/BitmapObject.h"

#include "imaging/BitmapByteOrder.h"

#include <new>
#include <utility>

namespace {

using bitmap_bytes::Read16;
using bitmap_bytes::Read32;

constexpr size_t kInfoHeaderSize = 40;

// Whether `packedDib` lays out exactly the rows of `section`: the pixel access, the byte copy's
// refresh and every layout query read one by the other's figures, so any difference would read
// or write past one of them.
bool DescribesSection(const ByteString& packedDib, const DIBSECTION& section) {
    if (packedDib.size() < kInfoHeaderSize || section.dsBm.bmBits == nullptr) return false;
    const uint8_t* header = packedDib.data();
    const int32_t width = static_cast<int32_t>(Read32(header + 4));
    const int32_t height = static_cast<int32_t>(Read32(header + 8));
    const int32_t bitDepth = Read16(header + 14);
    if (Read32(header) != kInfoHeaderSize || Read16(header + 12) != 1 || Read32(header + 16) != BI_RGB) return false;
    if (section.dsBmih.biCompression != BI_RGB || section.dsBmih.biHeight != height) return false;
    // Bottom-up only: the byte copy's queries count rows from a positive height.
    if (width < 1 || height < 1 || width != section.dsBm.bmWidth || height != section.dsBm.bmHeight ||
        bitDepth != section.dsBm.bmBitsPixel) {
        return false;
    }
    uint32_t colours = 0;
    switch (bitDepth) {
    case 1: colours = 2; break;
    case 4: colours = 16; break;
    case 8: colours = 256; break;
    case 16: case 24: case 32: break;
    default: return false;
    }
    // The byte copy always holds the full table, and a table before direct-colour rows would
    // shift them.
    const uint32_t coloursUsed = Read32(header + 32);
    if (coloursUsed != 0 && coloursUsed != colours) return false;
    const uint64_t stride = ((static_cast<uint64_t>(width) * bitDepth + 31) >> 5) << 2;
    return packedDib.size() == kInfoHeaderSize + 4ull * colours + stride * static_cast<uint64_t>(height);
}

}  // namespace

bool 新位图操作类::Attach(HBITMAP section, const ByteString& packedDib) {
    Clear();
    DIBSECTION described = {};
    // A device-dependent bitmap fills only the BITMAP part: it has no rows of ours to address.
    if (section == nullptr || GetObjectType(section) != OBJ_BITMAP ||
        GetObjectA(section, sizeof described, &described) != static_cast<int>(sizeof described) ||
        !DescribesSection(packedDib, described)) {
        return false;
    }
    ByteString copy;
    try {
        copy = packedDib;
    } catch (const std::bad_alloc&) {
        return false;
    }
    MemoryDcHandle dc(CreateCompatibleDC(screenDc_.Get()));
    SelectionHandle selection;
    // Selected into another DC, the section cannot be selected here and stays the caller's.
    if (dc.Get() == nullptr || !selection.Select(dc.Get(), section)) return false;

    memoryDc_.Swap(dc);
    dib_.Reset(section);
    previousBitmap_.Swap(selection);
    packedDib_.swap(copy);
    bits_ = described.dsBm.bmBits;
    DescribeDirectLayout();
    // What the caller drew before handing the section over may still be batched.
    FlushGdiOutput();
    handedOut_ = true;
    return true;
}

HBITMAP 新位图操作类::GetBitmapHandle() {
    if (dib_.Get() != nullptr) handedOut_ = true;
    return static_cast<HBITMAP>(dib_.Get());
}

HDC 新位图操作类::GetMemoryDc() {
    if (memoryDc_.Get() != nullptr) handedOut_ = true;
    return memoryDc_.Get();
}

int32_t 新位图操作类::GetHandleWidth() const {
    BITMAP bm = {};
    return DescribeSection(bm) ? bm.bmWidth : 0;
}

int32_t 新位图操作类::GetHandleHeight() const {
    BITMAP bm = {};
    return DescribeSection(bm) ? bm.bmHeight : 0;
}

int32_t 新位图操作类::GetHandleBitDepth() const {
    BITMAP bm = {};
    return DescribeSection(bm) ? bm.bmBitsPixel : 0;
}

bool 新位图操作类::DescribeSection(BITMAP& bm) const {
    return dib_.Get() != nullptr && GetObjectA(dib_.Get(), sizeof bm, &bm) != 0;
}

bool 新位图操作类::CopyIn(HDC source, int32_t sourceX, int32_t sourceY, int32_t width, int32_t height) {
    if (!BitBlt(memoryDc_.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY)) {
        Clear();
        return false;
    }
    RefreshBytes();
    return true;
}

void 新位图操作类::SwapPicture(新位图操作类& other) {
    memoryDc_.Swap(other.memoryDc_);
    dib_.Swap(other.dib_);
    previousBitmap_.Swap(other.previousBitmap_);
    packedDib_.swap(other.packedDib_);
    std::swap(bits_, other.bits_);
    std::swap(pixelsChanged_, other.pixelsChanged_);
    std::swap(direct_, other.direct_);
    std::swap(gdiOutputPending_, other.gdiOutputPending_);
    std::swap(handedOut_, other.handedOut_);
}
