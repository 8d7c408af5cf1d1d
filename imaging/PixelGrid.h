// Moves a bitmap object's pixels into a flat array and back, and rescales such arrays.
//
// A pixel array is row-major, first row first, of COLORREF values as 新位图操作类::GetPixel gives
// them (byte 0 red, 1 green, 2 blue, 3 zero). Its width and height travel beside it. Columns x
// and rows y count from 1: the element of (x, y) is the one at 1-based position
// (y - 1) * width + x, and the bitmap's pixel (x - 1, y - 1).
//
// The ratios of the scaling operations are fixed-point numbers in thousandths, truncated once
// per call; they decide which source pixels land where, so they are kept exactly.
#pragma once

#include "imaging/BitmapObject.h"

#include <cstdint>
#include <vector>

using PixelArray = std::vector<int32_t>;

class PixelGrid {
public:
    // False, with the array untouched, when the bitmap has a side below 1.
    bool ReadPixels(新位图操作类& bitmap, PixelArray& pixels) const;
    // Re-creates the bitmap as width x height at 24 bits and writes every pixel. False, with the
    // bitmap untouched, when a side is below 1 or the array is too short; false, with the bitmap
    // empty, when the new picture cannot be made.
    bool WritePixels(新位图操作类& bitmap, const PixelArray& pixels, int32_t width, int32_t height) const;
    // Positions before the first element or past the last hold nothing: 0, and no write.
    int32_t GetAt(const PixelArray& pixels, int32_t width, int32_t x, int32_t y) const;
    void SetAt(PixelArray& pixels, int32_t width, int32_t x, int32_t y, int32_t value) const;
    // One source pixel per target pixel. False, with the target untouched, when a side is below 1
    // or the source holds fewer than sourceWidth x sourceHeight elements.
    bool ScaleNearest(const PixelArray& source, int32_t sourceWidth, int32_t sourceHeight, int32_t targetWidth,
                      int32_t targetHeight, PixelArray& target) const;
    // Each target pixel the per-channel average of a block of source pixels; same refusals.
    bool ScaleAverage(const PixelArray& source, int32_t sourceWidth, int32_t sourceHeight, int32_t targetWidth,
                      int32_t targetHeight, PixelArray& target) const;
};

// Adds bytes 0, 1 and 2 of value to the three sums and 1 to count. The sums are 64-bit so that
// no block is too large for them.
void AccumulateColor(int32_t value, int64_t& sum0, int64_t& sum1, int64_t& sum2, int64_t& count);
// Byte 0 the low byte of c0, byte 1 of c1, byte 2 of c2, byte 3 zero.
int32_t MakeColor(int64_t c0, int64_t c1, int64_t c2);
