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
// batch output, so whatever lets GDI draw on the section without a GdiFlush after it (a SetPixel
// that went through SetPixelV; anything that hands out the memory DC) sets gdiOutputPending_,
// and the next direct access flushes first. The fast path is inline so that a loop over every
// pixel of a camera picture costs no call per pixel.
#pragma once
#include <windows.h>

#include "imaging/BitmapHandles.h"

#include <cstdint>
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
    // Only BMP files load, at the display's bit depth.
    bool LoadFromFile(const std::string& path);
    // bitDepth 0 keeps the source's own. The source stays the caller's.
    bool LoadFromHandle(HBITMAP source, int32_t bitDepth = 0);
    // A blank picture, every pixel 0. False, with the object empty, when the bit depth is not 1, 4,
    // 8, 16, 24 or 32, a side is below 1, or the picture cannot be held.
    bool Create(int32_t width, int32_t height, int32_t bitDepth);
    bool RefreshBytes();
    // Fills the byte copy with the header, the default colour table and zero rows. False, with the
    // byte copy untouched, for a bit depth other than 1, 4, 8, 16, 24 or 32, a negative side, or a
    // size beyond 2 GiB or beyond the memory to be had.
    bool BuildHeader(int32_t width, int32_t height, int32_t bitDepth);

    // Layout queries: all read the byte copy and give 0 when the object is empty.
    int32_t GetWidth() const;
    int32_t GetHeight() const;
    int32_t GetBitDepth() const;
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

    // A 14-byte file header followed by the byte copy; the header alone when the object is empty,
    // and nothing at all only when memory runs out.
    ByteString ToBmpBytes();
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

    // On by default; off sends every pixel through GDI (for comparisons and measurements).
    void SetDirectPixelAccess(bool enabled) { directAllowed_ = enabled; }
    // Whether pixels go to the section's memory: allowed, and a 24- or 32-bit section is held.
    bool UsesDirectPixelAccess() const { return directAllowed_ && direct_.rows != nullptr; }

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
    void RefreshIfChanged();
    void DescribeDirectLayout();
    void FlushGdiOutput();
    COLORREF GetPixelSlowly(int32_t x, int32_t y);
    bool SetPixelSlowly(int32_t x, int32_t y, COLORREF colour);

    bool DirectUsable() const { return direct_.rows != nullptr && directAllowed_ && !gdiOutputPending_; }
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
};

// A folder path ending in "\", or the empty text when the folder is not known. 11 is the user's
// temporary folder; 1 to 8 and 12 are shell folders; 9 Windows, 10 system; 0 counts as 3.
std::string GetSpecialFolder(int32_t selector);
