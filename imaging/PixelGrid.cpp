#include "imaging/PixelGrid.h"

#include <algorithm>
#include <new>

namespace {

// Negative sides are refused even when their product is positive: the system never passes them,
// and the formulas would walk the arrays backwards.
bool SidesUsable(int32_t width, int32_t height) { return width >= 1 && height >= 1; }

int64_t ElementCount(int32_t width, int32_t height) { return static_cast<int64_t>(width) * height; }

bool MakeZeros(int64_t count, PixelArray& out) {
    try {
        out.assign(static_cast<size_t>(count), 0);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

// The checks both scaling operations make before touching anything.
bool ScalingArgumentsUsable(const PixelArray& source, int32_t sourceWidth, int32_t sourceHeight,
                            int32_t targetWidth, int32_t targetHeight) {
    return SidesUsable(sourceWidth, sourceHeight) && SidesUsable(targetWidth, targetHeight) &&
           static_cast<int64_t>(source.size()) >= ElementCount(sourceWidth, sourceHeight);
}

// The ratio of source to target length in thousandths, truncated.
int64_t Ratio(int32_t sourceLength, int32_t targetLength) {
    return static_cast<int64_t>(sourceLength) * 1000 / targetLength;
}

int32_t At(const PixelArray& pixels, int32_t width, int64_t x, int64_t y) {
    return pixels[static_cast<size_t>((y - 1) * width + x - 1)];
}

}  // namespace

bool PixelGrid::ReadPixels(新位图操作类& bitmap, PixelArray& pixels) const {
    const int32_t width = bitmap.GetWidth();
    const int32_t height = bitmap.GetHeight();
    if (!SidesUsable(width, height)) return false;
    // Every element is written below, so the zeros the array starts with are never stored; the
    // caller's storage is reused when it is large enough, sparing a camera picture's 48 MB of
    // fresh pages.
    const size_t count = static_cast<size_t>(ElementCount(width, height));
    if (pixels.capacity() < count) {
        PixelArray larger;
        try {
            larger.reserve(count);
        } catch (const std::exception&) {
            return false;
        }
        pixels.swap(larger);
    }
    pixels.clear();
    for (int32_t y = 1; y <= height; ++y) {
        for (int32_t x = 1; x <= width; ++x) pixels.push_back(static_cast<int32_t>(bitmap.GetPixel(x - 1, y - 1)));
    }
    return true;
}

bool PixelGrid::WritePixels(新位图操作类& bitmap, const PixelArray& pixels, int32_t width, int32_t height) const {
    if (!SidesUsable(width, height) || static_cast<int64_t>(pixels.size()) < ElementCount(width, height)) return false;
    if (!bitmap.Create(width, height, 24)) return false;
    size_t next = 0;
    for (int32_t y = 1; y <= height; ++y) {
        for (int32_t x = 1; x <= width; ++x) bitmap.SetPixel(x - 1, y - 1, static_cast<COLORREF>(pixels[next++]));
    }
    return true;
}

int32_t PixelGrid::GetAt(const PixelArray& pixels, int32_t width, int32_t x, int32_t y) const {
    const int64_t position = static_cast<int64_t>(y - 1) * width + x;
    if (position < 1 || position > static_cast<int64_t>(pixels.size())) return 0;
    return pixels[static_cast<size_t>(position - 1)];
}

void PixelGrid::SetAt(PixelArray& pixels, int32_t width, int32_t x, int32_t y, int32_t value) const {
    const int64_t position = static_cast<int64_t>(y - 1) * width + x;
    if (position < 1 || position > static_cast<int64_t>(pixels.size())) return;
    pixels[static_cast<size_t>(position - 1)] = value;
}

bool PixelGrid::ScaleNearest(const PixelArray& source, int32_t sourceWidth, int32_t sourceHeight,
                             int32_t targetWidth, int32_t targetHeight, PixelArray& target) const {
    if (!ScalingArgumentsUsable(source, sourceWidth, sourceHeight, targetWidth, targetHeight)) return false;
    PixelArray scaled;
    if (!MakeZeros(ElementCount(targetWidth, targetHeight), scaled)) return false;
    const int64_t rx = Ratio(sourceWidth, targetWidth);
    const int64_t ry = Ratio(sourceHeight, targetHeight);
    size_t next = 0;
    for (int64_t y = 1; y <= targetHeight; ++y) {
        const int64_t cy = std::max<int64_t>(1, y * ry / 1000);
        for (int64_t x = 1; x <= targetWidth; ++x) {
            const int64_t cx = std::max<int64_t>(1, x * rx / 1000);
            scaled[next++] = At(source, sourceWidth, cx, cy);
        }
    }
    target.swap(scaled);
    return true;
}

bool PixelGrid::ScaleAverage(const PixelArray& source, int32_t sourceWidth, int32_t sourceHeight,
                             int32_t targetWidth, int32_t targetHeight, PixelArray& target) const {
    if (!ScalingArgumentsUsable(source, sourceWidth, sourceHeight, targetWidth, targetHeight)) return false;
    PixelArray scaled;
    if (!MakeZeros(ElementCount(targetWidth, targetHeight), scaled)) return false;
    const int64_t rx = Ratio(sourceWidth, targetWidth);
    const int64_t ry = Ratio(sourceHeight, targetHeight);
    const int64_t blockWidth = rx / 1000;
    const int64_t blockHeight = ry / 1000;
    size_t next = 0;
    for (int64_t y = 1; y <= targetHeight; ++y) {
        const int64_t y0 = ry * (y - 1) / 1000;
        const int64_t ye = std::max<int64_t>(1, ry * y / 1000);
        for (int64_t x = 1; x <= targetWidth; ++x) {
            const int64_t x0 = rx * (x - 1) / 1000;
            const int64_t xe = std::max<int64_t>(1, rx * x / 1000);
            int64_t sum0 = 0, sum1 = 0, sum2 = 0, count = 0;
            // The block's columns then the end column, which repeats the block's last one when the
            // ratio is whole; likewise the rows. Both repeats count.
            for (int64_t i = 1; i <= blockWidth + 1; ++i) {
                const int64_t column = std::max<int64_t>(1, i <= blockWidth ? x0 + i : xe);
                for (int64_t j = 1; j <= blockHeight + 1; ++j) {
                    const int64_t row = std::max<int64_t>(1, j <= blockHeight ? y0 + j : ye);
                    AccumulateColor(At(source, sourceWidth, column, row), sum0, sum1, sum2, count);
                }
            }
            scaled[next++] = MakeColor(sum0 / count, sum1 / count, sum2 / count);
        }
    }
    target.swap(scaled);
    return true;
}

void AccumulateColor(int32_t value, int64_t& sum0, int64_t& sum1, int64_t& sum2, int64_t& count) {
    const uint32_t bytes = static_cast<uint32_t>(value);
    sum0 += bytes & 0xFF;
    sum1 += (bytes >> 8) & 0xFF;
    sum2 += (bytes >> 16) & 0xFF;
    count += 1;
}

int32_t MakeColor(int64_t c0, int64_t c1, int64_t c2) {
    const uint32_t value = (static_cast<uint32_t>(c0) & 0xFF) | ((static_cast<uint32_t>(c1) & 0xFF) << 8) |
                           ((static_cast<uint32_t>(c2) & 0xFF) << 16);
    return static_cast<int32_t>(value);
}
