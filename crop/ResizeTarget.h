#pragma once
// The size a batch resize brings a picture to, from the page's settings and, in proportional
// mode, the picture's own size. Pure arithmetic; any thread.
#include <cstdint>

// What the group "批量修改分辨率" says, read when a task starts.
struct ResizeSettings {
    bool proportional = false;  // 选择框_按比例
    bool byWidth = false;       // 单选框_宽度
    bool byHeight = false;      // 单选框_高度
    int32_t width = 0;          // 编辑框_修改宽度
    int32_t height = 0;         // 编辑框_修改高度
};

struct ResizeTarget {
    // False in proportional mode with neither radio button checked: nothing is resampled and the
    // output file is written empty.
    bool resample = true;
    int32_t width = 0;
    int32_t height = 0;
};

// Whether the target depends on the source's size (proportional by width or by height).
bool NeedsSourceSize(const ResizeSettings& settings);
// Fixed: the typed sides. Proportional: the typed side and the other one derived as typed x
// source side / source other side in double precision, truncated toward zero; a quotient that is
// not finite (a zero source side) gives 0. Sides below 1 are passed on for the caller to refuse.
ResizeTarget ComputeResizeTarget(const ResizeSettings& settings, int32_t sourceWidth, int32_t sourceHeight);
// A double truncated toward zero; not finite gives 0, beyond the int32 range saturates.
int32_t TruncateSide(double value);
// Whether a 24-bit picture of these sides fits a BMP file image as the bitmap object holds one:
// rows of at most INT32_MAX - 31 bits and the info header with the rows within INT32_MAX bytes.
bool Bmp24Fits(int32_t width, int32_t height);
