#include "crop/ResizeTarget.h"

#include <cmath>

bool NeedsSourceSize(const ResizeSettings& settings) {
    return settings.proportional && (settings.byWidth || settings.byHeight);
}

int32_t TruncateSide(double value) {
    if (!std::isfinite(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);  // conversion truncates toward zero
}

ResizeTarget ComputeResizeTarget(const ResizeSettings& settings, int32_t sourceWidth, int32_t sourceHeight) {
    ResizeTarget target;
    if (!settings.proportional) {
        target.width = settings.width;
        target.height = settings.height;
    } else if (settings.byWidth) {
        target.width = settings.width;
        target.height = TruncateSide(static_cast<double>(settings.width) * sourceHeight / sourceWidth);
    } else if (settings.byHeight) {
        target.height = settings.height;
        target.width = TruncateSide(static_cast<double>(settings.height) * sourceWidth / sourceHeight);
    } else {
        target.resample = false;
    }
    return target;
}

bool Bmp24Fits(int32_t width, int32_t height) {
    if (width < 1 || height < 1) return false;
    const int64_t bitsPerRow = static_cast<int64_t>(width) * 24;
    if (bitsPerRow > INT32_MAX - 31) return false;
    const int64_t rowBytes = ((bitsPerRow + 31) >> 5) << 2;
    return 40 + rowBytes * height <= INT32_MAX;
}
