// Exchanging pictures with the clipboard, as CF_BITMAP.
#include "imaging/BitmapObject.h"

bool 新位图操作类::LoadFromClipboard(int32_t bitDepth) {
    Clear();
    if (!OpenClipboard(nullptr)) return false;
    // Copied before closing: once the clipboard is closed another program may empty it, and the
    // bitmap would go with it.
    const bool loaded = LoadFromHandle(static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)), bitDepth);
    CloseClipboard();
    return loaded;
}

bool 新位图操作类::CopyToClipboard() {
    BITMAP bm = {};
    // An empty object has nothing to offer, and must not empty the clipboard for it.
    if (!DescribeSection(bm)) return false;
    GdiObjectHandle copy(CreateCompatibleBitmap(screenDc_.Get(), bm.bmWidth, bm.bmHeight));
    {
        MemoryDcHandle copyDc(CreateCompatibleDC(nullptr));
        SelectionHandle selection;
        if (copy.Get() == nullptr || copyDc.Get() == nullptr || !selection.Select(copyDc.Get(), copy.Get()) ||
            !BitBlt(copyDc.Get(), 0, 0, bm.bmWidth, bm.bmHeight, memoryDc_.Get(), 0, 0, SRCCOPY)) {
            return false;
        }
        GdiFlush();
    }
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_BITMAP, copy.Get()) != nullptr;
    if (placed) copy.Release();  // the clipboard's from now on
    CloseClipboard();
    return placed;
}
