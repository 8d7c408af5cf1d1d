#pragma once
// Pictures the batch resize tests write themselves: a photo-like JPEG, and small pictures of every
// kind the resize meets (grey and CMYK JPEG, PNG, GIF and icon with transparency, 8-bit BMP).
#include "../decoders/FixtureWriters.h"
#include "TestJpeg.h"

#include <cstdint>
#include <string>
#include <vector>

namespace resizetest {

inline std::string AsText(const fixtures::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Gradients under fine noise, as a photo compresses: every block carries detail, so a decode
// costs what a camera picture of the same size costs.
inline std::string PhotoJpeg(int width, int height, unsigned seed = 1, int quality = 90) {
    return croptest::JpegBytes(
        width, height,
        [width, height, seed](int y, unsigned char* rgb) {
            uint32_t state = seed * 2654435761u + static_cast<uint32_t>(y) * 40503u;
            for (int x = 0; x < width; ++x) {
                state = state * 1664525u + 1013904223u;
                const int noise = static_cast<int>((state >> 24) & 0x3F) - 32;
                auto clamp = [](int v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); };
                rgb[3 * x] = clamp(x * 255 / (width > 1 ? width - 1 : 1) + noise);
                rgb[3 * x + 1] = clamp(y * 255 / (height > 1 ? height - 1 : 1) - noise);
                rgb[3 * x + 2] = clamp(((x / 7 + y / 5) % 2) * 120 + 60 + noise / 2);
            }
        },
        quality);
}

inline std::string GreyJpeg(uint32_t width, uint32_t height) {
    return AsText(fixtures::MakeJpeg(width, height, fixtures::JpegKind::Grey, 90));
}
inline std::string CmykJpeg(uint32_t width, uint32_t height) {
    return AsText(fixtures::MakeJpeg(width, height, fixtures::JpegKind::Cmyk, 90));
}

// RGBA whose alpha runs from 0 at the left to 255 at the right; the colour kept under it is a
// full red, whatever the alpha, so a resize that drops alpha shows red where white belongs.
inline std::string AlphaPng(uint32_t width, uint32_t height, bool interlaced = false) {
    fixtures::PngLayout layout;
    layout.interlaced = interlaced;
    layout.width = width;
    layout.height = height;
    layout.colourType = 6;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint16_t alpha = static_cast<uint16_t>(width > 1 ? x * 255 / (width - 1) : 255);
            layout.samples.insert(layout.samples.end(), {255, static_cast<uint16_t>(y * 7 % 256), 0, alpha});
        }
    }
    return AsText(fixtures::MakePng(layout));
}

// An interlaced GIF of three stripes of colours with index 1 transparent.
inline std::string TransparentGif(uint16_t width, uint16_t height) {
    fixtures::GifLayout layout;
    layout.screenWidth = layout.width = width;
    layout.screenHeight = layout.height = height;
    layout.globalColours = {{0, 0, 255, 255}, {200, 30, 30, 255}, {0, 160, 0, 255}, {250, 250, 0, 255}};
    layout.transparentIndex = 1;
    layout.interlaced = true;
    std::vector<uint8_t> indices;
    for (uint16_t y = 0; y < height; ++y)
        for (uint16_t x = 0; x < width; ++x) indices.push_back(static_cast<uint8_t>((x / 3 + y) % 4));
    layout.lzw = fixtures::LiteralLzw(indices, 2, 100);
    return AsText(fixtures::MakeGif(layout));
}

// An icon holding one 32-bit picture with its own alpha: opaque blue at the top, half-transparent
// green in the middle, clear (storing red) at the bottom.
inline std::string AlphaIcon(int32_t side) {
    std::vector<fixtures::Bytes> colourRows, maskRows;
    for (int32_t y = side - 1; y >= 0; --y) {  // bottom row first
        fixtures::Bytes row;
        for (int32_t x = 0; x < side; ++x) {
            if (y < side / 3) row.insert(row.end(), {255, 0, 0, 255});
            else if (y < 2 * side / 3) row.insert(row.end(), {0, 200, 0, 128});
            else row.insert(row.end(), {0, 0, 255, 0});
        }
        colourRows.push_back(row);
        maskRows.push_back(fixtures::Bytes((static_cast<size_t>(side) + 31) / 32 * 4, 0));
    }
    const fixtures::Bytes dib = fixtures::MakeIconDib(side, side, 32, {}, colourRows, maskRows);
    return AsText(fixtures::MakeIcon({{static_cast<uint8_t>(side), static_cast<uint8_t>(side), 32, dib}}));
}

// An 8-bit BMP with a palette of 256 colours and a row width that needs padding.
inline std::string Palette8Bmp(int32_t width, int32_t height) {
    fixtures::BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bpp = 8;
    for (int i = 0; i < 256; ++i)
        layout.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 255});
    std::vector<fixtures::Bytes> rows;
    for (int32_t y = 0; y < height; ++y) {  // stored bottom row first
        fixtures::Bytes row;
        for (int32_t x = 0; x < width; ++x) row.push_back(static_cast<uint8_t>((x * 5 + y * 11) % 256));
        rows.push_back(row);
    }
    layout.pixels = fixtures::PadRows(rows);
    return AsText(fixtures::MakeBmp(layout));
}

}  // namespace resizetest
