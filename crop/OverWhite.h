#pragma once
// Resized pictures are stored without alpha: a pixel that is partly or wholly transparent is laid
// over white first, so it does not come out as whatever colour the file keeps under it (a GIF's
// transparent index decodes as black, a PNG may hide anything under alpha 0). Both resize paths
// use this one blend so that their bytes agree.
#include <cstdint>

// One channel of a pixel with the given alpha over white, rounded to the nearest value.
inline uint8_t ChannelOverWhite(uint32_t channel, uint32_t alpha) {
    return static_cast<uint8_t>((channel * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// A decoded pixel (blue, green, red, alpha) as the blue, green, red it is stored with.
inline void PixelOverWhite(const uint8_t* bgra, uint8_t* bgr) {
    const uint32_t alpha = bgra[3];
    if (alpha == 255) {
        bgr[0] = bgra[0];
        bgr[1] = bgra[1];
        bgr[2] = bgra[2];
        return;
    }
    bgr[0] = ChannelOverWhite(bgra[0], alpha);
    bgr[1] = ChannelOverWhite(bgra[1], alpha);
    bgr[2] = ChannelOverWhite(bgra[2], alpha);
}
