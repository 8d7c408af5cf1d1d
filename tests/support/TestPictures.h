#pragma once
// Small pictures written by the tests themselves.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace testsupport {

// A 24-bit BMP file image, bottom row first, each pixel's colour given by its position (row 0 at
// the top).
inline std::string Bmp24(int width, int height, const std::function<COLORREF(int x, int y)>& colorAt) {
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(height);
    std::string bytes;
    auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    bytes += "BM";
    put(54 + pixelBytes, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(pixelBytes, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colorAt(x, y);
            row.push_back(static_cast<char>(GetBValue(c)));
            row.push_back(static_cast<char>(GetGValue(c)));
            row.push_back(static_cast<char>(GetRValue(c)));
        }
        row.resize(rowBytes, '\0');
        bytes += row;
    }
    return bytes;
}

}  // namespace testsupport
