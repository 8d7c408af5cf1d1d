// The crop view's drawing: background, then each visible sprite resampled straight from its
// picture into the rectangle asked for; and the BMP file image of a rectangle.
#include "crop/CropView.h"

#include "crop/CropViewSprite.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint32_t PixelOf(COLORREF color) {
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

// Premultiplied source over destination; an opaque source replaces it.
inline uint32_t Over(uint32_t source, uint32_t target) {
    const uint32_t alpha = source >> 24;
    if (alpha == 255) return source;
    if (alpha == 0 && (source & 0xFFFFFF) == 0) return target;
    const uint32_t keep = 255 - alpha;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = (source >> shift) & 0xFF;
        const uint32_t t = (target >> shift) & 0xFF;
        result |= std::min<uint32_t>(255, s + (t * keep + 127) / 255) << shift;
    }
    return result;
}

void PutLE(std::string& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void CropView::Render(const RECT& area, COLORREF background, uint32_t* pixels, ptrdiff_t rowStride) const {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    const uint32_t fill = PixelOf(background == kNoColor ? background_ : background);
    for (int y = 0; y < height; ++y) std::fill_n(pixels + y * rowStride, width, fill);
    for (const auto& sprite : sprites_) {
        if (sprite->visible && sprite->drawn) DrawSprite(*sprite, area, pixels, rowStride);
    }
}

void CropView::DrawSprite(const Sprite& sprite, const RECT& area, uint32_t* pixels, ptrdiff_t rowStride) const {
    // The drawn picture's place, in 64 bits: a far position plus a large size must not wrap.
    const int64_t x = static_cast<int64_t>(std::trunc(sprite.x));
    const int64_t y = static_cast<int64_t>(std::trunc(sprite.y));
    const int64_t w = sprite.drawnWidth, h = sprite.drawnHeight;
    const int64_t left = std::max<int64_t>(x, area.left), right = std::min<int64_t>(x + w, area.right);
    const int64_t top = std::max<int64_t>(y, area.top), bottom = std::min<int64_t>(y + h, area.bottom);
    if (left >= right || top >= bottom) return;
    // The visible part in the drawn picture's own coordinates.
    const int64_t u0 = left - x, u1 = right - x, v0 = top - y, v1 = bottom - y;
    const int count = static_cast<int>(right - left);
    uint32_t* firstRow = pixels + (top - area.top) * rowStride + (left - area.left);

    if (sprite.angle % 90 != 0) {
        // Any other angle: each pixel's centre is turned back into the picture and sampled there.
        const double turn = sprite.angle * 3.14159265358979323846 / 180.0;
        const double c = std::cos(turn), s = std::sin(turn);
        const double toRotatedX = static_cast<double>(sprite.rotatedWidth) / w;
        const double toRotatedY = static_cast<double>(sprite.rotatedHeight) / h;
        const int level = sprite.picture.LevelForShrink(std::min(toRotatedX, toRotatedY));
        const double halfRw = sprite.rotatedWidth / 2.0, halfRh = sprite.rotatedHeight / 2.0;
        const double halfW = sprite.picture.Width() / 2.0, halfH = sprite.picture.Height() / 2.0;
        for (int64_t v = v0; v < v1; ++v) {
            uint32_t* to = firstRow + (v - v0) * rowStride;
            const double dy = (v + 0.5) * toRotatedY - halfRh;
            for (int i = 0; i < count; ++i) {
                const double dx = (u0 + i + 0.5) * toRotatedX - halfRw;
                to[i] = Over(sprite.picture.SampleAt(dx * c + dy * s + halfW, -dx * s + dy * c + halfH, level), to[i]);
            }
        }
        return;
    }

    // A quarter turn: the picture is scaled in its own orientation to the window that the
    // visible part turns into, then that window is copied turned. Rotation and scaling commute,
    // as each axis is resampled on its own.
    const int quarter = sprite.angle / 90;
    const bool swapped = quarter % 2 == 1;
    const int64_t scaledWidth = swapped ? h : w, scaledHeight = swapped ? w : h;
    int64_t a0 = u0, a1 = u1, b0 = v0, b1 = v1;
    switch (quarter) {
    case 1:  // turned (c, r) = picture (r, height - 1 - c)
        a0 = v0, a1 = v1, b0 = scaledHeight - u1, b1 = scaledHeight - u0;
        break;
    case 2:
        a0 = scaledWidth - u1, a1 = scaledWidth - u0, b0 = scaledHeight - v1, b1 = scaledHeight - v0;
        break;
    case 3:  // turned (c, r) = picture (width - 1 - r, c)
        a0 = scaledWidth - v1, a1 = scaledWidth - v0, b0 = u0, b1 = u1;
        break;
    }
    const int windowWidth = static_cast<int>(a1 - a0), windowHeight = static_cast<int>(b1 - b0);
    scratch_.resize(size_t(windowWidth) * size_t(windowHeight));
    uint32_t* window = scratch_.data();
    sprite.picture.ScaleWindow(scaledWidth, scaledHeight, a0, b0, windowWidth, windowHeight,
                               reinterpret_cast<uint8_t*>(window), ptrdiff_t(windowWidth) * 4);
    const bool opaque = sprite.picture.Opaque();
    for (int64_t v = v0; v < v1; ++v) {
        const int64_t row = v - v0;
        const uint32_t* from = window;
        ptrdiff_t step = 1;
        switch (quarter) {
        case 0: from = window + row * windowWidth; step = 1; break;
        case 1: from = window + ptrdiff_t(windowHeight - 1) * windowWidth + row; step = -windowWidth; break;
        case 2: from = window + (windowHeight - 1 - row) * windowWidth + (windowWidth - 1); step = -1; break;
        case 3: from = window + (windowWidth - 1 - row); step = windowWidth; break;
        }
        uint32_t* to = firstRow + row * rowStride;
        if (opaque && step == 1) {
            std::memcpy(to, from, size_t(count) * 4);
        } else if (opaque) {
            for (int i = 0; i < count; ++i) to[i] = from[i * step];
        } else {
            for (int i = 0; i < count; ++i) to[i] = Over(from[i * step], to[i]);
        }
    }
}

std::string CropView::RenderRegion(int left, int top, int width, int height, COLORREF background) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int64_t l = std::max<int64_t>(left, client.left), t = std::max<int64_t>(top, client.top);
    const int64_t r = std::min<int64_t>(int64_t{left} + width, client.right);
    const int64_t b = std::min<int64_t>(int64_t{top} + height, client.bottom);
    if (l >= r || t >= b) return {};
    const RECT area = {static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)};
    const uint32_t w = static_cast<uint32_t>(r - l), h = static_cast<uint32_t>(b - t);
    std::vector<uint32_t> pixels(size_t{w} * h);
    Render(area, background, pixels.data(), w);

    const uint32_t imageBytes = w * h * 4;
    std::string bmp(54 + size_t{imageBytes}, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLE(bmp, 2, imageBytes + 54, 4);
    PutLE(bmp, 10, 54, 4);
    PutLE(bmp, 14, 40, 4);
    PutLE(bmp, 18, w, 4);
    PutLE(bmp, 22, h, 4);  // positive: bottom row first
    PutLE(bmp, 26, 1, 2);
    PutLE(bmp, 28, 32, 2);
    PutLE(bmp, 34, imageBytes, 4);
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* from = pixels.data() + size_t{h - 1 - y} * w;
        char* to = &bmp[54 + size_t{y} * w * 4];
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t pixel = from[x] & 0x00FFFFFF;
            std::memcpy(to + size_t{x} * 4, &pixel, 4);
        }
    }
    return bmp;
}
