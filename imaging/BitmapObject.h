// The in-memory bitmap: a GDI DIB section selected into a memory device context of its own, and
// beside it a byte copy of the same picture in packed-DIB form (40-byte info header, colour
// table, pixel rows bottom row first), from which BMP file images are made.
//
// The byte copy is refreshed lazily: SetPixel writes only into the DIB section and marks the copy
// stale; the next GetPixel or ToBmpBytes copies the rows over once.
//
// Threads: an object is used by one thread at a time and has no lock; it may live on a worker
// thread. LoadFromBytes goes through one fixed temporary file name, which it holds under a
// named mutex from the write to the delete, so that loads never overlap in any process.
//
// Direct pixel access: for 24- and 32-bit DIB sections GetPixel and SetPixel read and write the
// section's memory instead of calling GDI, giving the COLORREF that GetPixel and SetPixelV give
// on the object's memory device context in its default state (no clipping, no mapping). GDI may
// batch output, so whatever of ours lets GDI draw on the section without a GdiFlush after it (a
// SetPixel that went through SetPixelV) sets gdiOutputPending_, and the next direct access
// flushes first. Once the memory DC or the section's handle is in a caller's hands (GetMemoryDc,
// GetBitmapHandle, Attach), the caller may draw, map or clip at any moment unseen, so every
// pixel goes through GDI on that DC and ToBmpBytes and GetPixelBytes refresh the byte copy each
// time, until the picture is replaced. The fast path is inline so that a loop over every pixel
// of a camera picture costs no call per pixel.
//
// The operations are declared in the order of the class's dispatch table.
#pragma once
#include <windows.h>

#include "imaging/BitmapHandles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using ByteString = std::vector<uint8_t>;

class 新位图操作类 {
public:
    新位图操作类();
    ~新位图操作类();
    新位图操作类(const 新位图操作类&) = delete;
    新位图操作类& operator=(const 新位图操作类&) = delete;

    // Ends the picture: back to empty, with the colour tables and a fresh screen DC.
    void Clear();
    void BuildDefaultPalettes();

    // Loads a whole BMP file image through the temporary file "新位图操作类_载入位图.bmp" in the
    // user's temporary folder; the file is deleted in every case.
    bool LoadFromBytes(const ByteString& bytes);
    // Loads a whole BMP file image without a file: an uncompressed picture of 1, 4, 8, 16, 24 or 32
    // bits, bottom row first, at most 65535 pixels each way, whose info header, colour table and
    // rows lie where its headers say and within the bytes. Anything else fails with the object
    // empty. For 1, 4 and 8 bits the section takes the file's colour table.
    bool LoadFromBmpBytes(const ByteString& bytes);
    // Only BMP files load, at the display's bit depth.
    bool LoadFromFile(const std::string& path);
    // bitDepth 0 keeps the source's own. The source stays the caller's.
    bool LoadFromHandle(HBITMAP source, int32_t bitDepth = 0);
    // The icon drawn over white, so its transparent parts come out white. False, with the object
    // empty, when the icon cannot be drawn or the size or bit depth is refused.
    bool LoadFromIcon(HICON icon, int32_t width = 32, int32_t height = 32, int32_t bitDepth = 32);
    // A 0 width or height reaches the display's right or bottom edge, a 0 bit depth is the
    // display's. A rectangle beyond the display is copied as BitBlt copies it.
    bool CaptureScreen(int32_t x, int32_t y, int32_t width = 0, int32_t height = 0, int32_t bitDepth = 0);
    // A rectangle of the window's client area as the window draws itself (PrintWindow), so covered
    // parts come out too. A 0 width or height reaches the client area's right or bottom edge, a 0
    // bit depth is 24. False, with the object empty, for a minimised or hidden window.
    bool CaptureWindow(HWND window, int32_t x, int32_t y, int32_t width = 0, int32_t height = 0,
                       int32_t bitDepth = 0);
    // The DC's rectangle, in a section and memory DC compatible with that DC. No default depth.
    bool LoadFromDc(HDC dc, const RECT& rect, int32_t bitDepth);
    // Takes over a bottom-up BI_RGB DIB section of 1, 4, 8, 16, 24 or 32 bits with its packed DIB
    // (40-byte info header, full colour table, rows), which must describe that section. On success
    // the object owns the section; on failure (the object is then empty) it stays the caller's.
    bool Attach(HBITMAP section, const ByteString& packedDib);
    // bitDepth 0 keeps the bitmap's own. False when the clipboard holds no bitmap.
    bool LoadFromClipboard(int32_t bitDepth = 0);
    // A blank picture, every pixel 0. False, with the object empty, when the bit depth is not 1, 4,
    // 8, 16, 24 or 32, a side is below 1, or the picture cannot be held.
    bool Create(int32_t width, int32_t height, int32_t bitDepth);
    bool RefreshBytes();
    // Fills the byte copy with the header, the default colour table and zero rows. False, with the
    // byte copy untouched, for a bit depth other than 1, 4, 8, 16, 24 or 32, a negative side, or a
    // size beyond 2 GiB or beyond the memory to be had.
    bool BuildHeader(int32_t width, int32_t height, int32_t bitDepth);
    // The picture copied into a new section of the given depth. False, with the picture kept, when
    // the object is empty or the depth is refused.
    bool ConvertBitDepth(int32_t bitDepth);
    // Copies width x height pixels from the source point to the target point of `target` and
    // refreshes its byte copy. A width or height left out is this bitmap's own. False when either
    // object is empty or the copy fails.
    bool DrawOnto(新位图操作类& target, int32_t sourceX = 0, int32_t sourceY = 0,
                  std::optional<int32_t> width = std::nullopt, std::optional<int32_t> height = std::nullopt,
                  int32_t targetX = 0, int32_t targetY = 0);
    // The object keeps both; from now on every pixel access goes through GDI (see the top).
    HBITMAP GetBitmapHandle();
    HDC GetMemoryDc();

    // Layout queries: all read the byte copy and give 0 when the object is empty.
    int32_t GetWidth() const;
    int32_t GetHeight() const;
    int32_t GetBitDepth() const;
    // The section's own figures as GDI reports them; 0 when there is no section.
    int32_t GetHandleWidth() const;
    int32_t GetHandleHeight() const;
    int32_t GetHandleBitDepth() const;
    // The byte copy's info header and colour table; null when empty.
    const BITMAPINFO* GetInfoPointer() const;
    uint8_t* GetPixelDataPointer();
    const uint8_t* GetPixelDataPointer() const;
    int32_t GetPixelDataSize() const;
    uint8_t* GetPalettePointer();
    const uint8_t* GetPalettePointer() const;
    int32_t GetPaletteSize() const;
    // Colour-table entries that an info header's bit depth implies: 2, 16, 256 or 0.
    static int32_t ColourCount(const ByteString& header);
    int32_t GetStride() const;
    static int32_t RowBytes(int32_t bitsPerRow);
    static ByteString InfoHeaderToBytes(const BITMAPINFOHEADER& header);
    static ByteString FileHeaderToBytes(const BITMAPFILEHEADER& header);

    // A 14-byte file header followed by the byte copy; the header alone when the object is empty,
    // and nothing at all only when memory runs out.
    ByteString ToBmpBytes();
    // The pixel rows of the byte copy, brought up to date first; empty when the object is.
    ByteString GetPixelBytes();
    // Coordinates from 0 at the left column and the top row. CLR_INVALID outside or when empty.
    COLORREF GetPixel(int32_t x, int32_t y) {
        if (!pixelsChanged_ && DirectUsable()) return ReadDirect(x, y);
        return GetPixelSlowly(x, y);
    }
    bool SetPixel(int32_t x, int32_t y, COLORREF colour) {
        // Palette-index and palette-relative COLORREFs are GDI's to resolve.
        if ((colour >> 24) == 0 && DirectUsable()) return WriteDirect(x, y, colour);
        return SetPixelSlowly(x, y, colour);
    }
    // A display-compatible copy on the clipboard, which owns it. False, with the clipboard
    // untouched, when the object is empty; false after emptying it when the copy is refused.
    bool CopyToClipboard();
    // Paints the picture at the top left of the window's client area, in its own size.
    bool DrawToWindow(HWND window);

    // On by default; off sends every pixel through GDI (for comparisons and measurements).
    void SetDirectPixelAccess(bool enabled) { directAllowed_ = enabled; }
    // Whether pixels go to the section's memory: allowed, a 24- or 32-bit section is held, and
    // neither its DC nor its handle has been handed out.
    bool UsesDirectPixelAccess() const { return directAllowed_ && direct_.rows != nullptr && !handedOut_; }

private:
    // Where pixel (x, y) of a 24- or 32-bit BI_RGB section lies; rows null otherwise.
    struct DirectLayout {
        uint8_t* rows = nullptr;  // the top row
        ptrdiff_t rowStep = 0;    // from one row to the one below it
        int32_t width = 0;
        int32_t height = 0;
        int32_t bytesPerPixel = 0;
    };

    // Makes the DIB section from the byte copy, compatible with `reference`, and selects it into a
    // new memory DC; the caller fills it and refreshes the copy. False, with the object empty, on
    // failure.
    bool MakeSection(HDC reference);
    // Puts the picture held by `other` in place of this one's, and this one's into `other`.
    void SwapPicture(新位图操作类& other);
    // The section's BITMAP record; false when there is no section.
    bool DescribeSection(BITMAP& bm) const;
    // Ends like every fill: the source copied in (false, with the object empty, when BitBlt
    // refuses), GDI flushed and the byte copy refreshed.
    bool CopyIn(HDC source, int32_t sourceX, int32_t sourceY, int32_t width, int32_t height);
    void RefreshIfChanged();
    // Before the byte copy leaves the object: also when a caller may have drawn on the section.
    void RefreshForOutput();
    void DescribeDirectLayout();
    void FlushGdiOutput();
    COLORREF GetPixelSlowly(int32_t x, int32_t y);
    bool SetPixelSlowly(int32_t x, int32_t y, COLORREF colour);

    bool DirectUsable() const {
        return direct_.rows != nullptr && directAllowed_ && !gdiOutputPending_ && !handedOut_;
    }
    uint8_t* DirectPixel(int32_t x, int32_t y) const {
        // One unsigned comparison per axis also turns away negative coordinates.
        if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(direct_.width) ||
            static_cast<uint32_t>(y) >= static_cast<uint32_t>(direct_.height)) {
            return nullptr;
        }
        return direct_.rows + direct_.rowStep * y + static_cast<ptrdiff_t>(direct_.bytesPerPixel) * x;
    }
    // GDI reads blue, green, red from the pixel's bytes and ignores a 32-bit pixel's fourth byte.
    COLORREF ReadDirect(int32_t x, int32_t y) const {
        const uint8_t* pixel = DirectPixel(x, y);
        return pixel != nullptr ? RGB(pixel[2], pixel[1], pixel[0]) : CLR_INVALID;
    }
    // SetPixelV writes blue, green, red and a zero fourth byte.
    bool WriteDirect(int32_t x, int32_t y, COLORREF colour) {
        uint8_t* pixel = DirectPixel(x, y);
        if (pixel == nullptr) return false;
        pixel[0] = GetBValue(colour);
        pixel[1] = GetGValue(colour);
        pixel[2] = GetRValue(colour);
        if (direct_.bytesPerPixel == 4) pixel[3] = 0;
        pixelsChanged_ = true;
        return true;
    }

    ByteString palette1_;
    ByteString palette4_;
    ByteString palette8_;
    // Members die in reverse order: the selection is undone before the section is deleted, the
    // section before its memory DC, and that before the screen DC is given back.
    ScreenDcHandle screenDc_;
    MemoryDcHandle memoryDc_;
    GdiObjectHandle dib_;
    SelectionHandle previousBitmap_;
    ByteString packedDib_;
    void* bits_ = nullptr;
    bool pixelsChanged_ = false;
    DirectLayout direct_;
    bool directAllowed_ = true;
    bool gdiOutputPending_ = false;
    // The memory DC or the section's handle is in a caller's hands.
    bool handedOut_ = false;
};

// A folder path ending in "\", or the empty text when the folder is not known. 11 is the user's
// temporary folder; 1 to 8 and 12 are shell folders; 9 Windows, 10 system; 0 counts as 3.
std::string GetSpecialFolder(int32_t selector);
