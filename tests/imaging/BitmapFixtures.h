// Small pictures for the bitmap and pixel grid tests, written here byte by byte so that the
// tests never read their expectations back from the code under test.
#pragma once
#include <windows.h>

#include "imaging/BitmapHandles.h"
#include "imaging/BitmapObject.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fixtures {

using ColourAt = std::function<COLORREF(int32_t x, int32_t y)>;

uint32_t Le32(const ByteString& bytes, size_t at);
uint16_t Le16(const ByteString& bytes, size_t at);
// The bytes with a little-endian field of `size` bytes at `at` replaced by `value`.
ByteString Patched(ByteString bytes, size_t at, uint32_t value, size_t size = 4);

// A BMP file image, bottom row first, rows padded to 4 bytes.
ByteString MakeBmp24(int32_t width, int32_t height, const ColourAt& colour);
// An 8-bit BMP with the given colour table (RGB values) and one table index per pixel, top row first.
ByteString MakeBmp8(int32_t width, int32_t height, const std::vector<COLORREF>& table,
                    const std::vector<uint8_t>& indices);

// A BI_RGB DIB section of 24 or 32 bits with every byte of its rows random (the fourth byte
// of 32-bit pixels included); the caller owns it.
HBITMAP MakeRandomSection(int32_t width, int32_t height, int32_t bitDepth, uint32_t seed);

// A 1 x 1 grey JPEG file.
ByteString TinyJpeg();

// The temporary file the bitmap object loads bytes through, found here without its help.
std::string TemporaryLoadFile();
bool FileExists(const std::string& path);
bool WriteFileBytes(const std::string& path, const ByteString& bytes);

// A random opaque-free colour: byte 3 zero, as GetPixel gives them.
COLORREF RandomColour(uint32_t& state);

// Every pixel of the bitmap set from the random sequence; the colours as GetPixel then reads
// them, row by row from the top.
std::vector<COLORREF> FillRandomly(新位图操作类& bitmap, uint32_t seed);
// Pixels that differ from `expected`, row by row from the top; all of them when the sizes differ.
int CountWrongPixels(新位图操作类& bitmap, const std::vector<COLORREF>& expected);
// The pixels of a BMP file image as an independent reader sees them, row by row from the top;
// none when it cannot read it.
std::vector<COLORREF> DecodedPixels(const ByteString& image);

// The child process of the test of LoadFromBytes across processes: argv[1] is the flag.
constexpr const char kLoadFromBytesChildFlag[] = "--load-from-bytes-child";
int RunLoadFromBytesChild(int argc, char** argv);

}  // namespace fixtures
