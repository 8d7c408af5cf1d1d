#include "BitmapFixtures.h"

#include "imaging/decode/PictureDecoder.h"

#include <gtest/gtest.h>

#include <random>

namespace fixtures {

namespace {

void Put16(ByteString& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(ByteString& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

ByteString FileAndInfoHeaders(int32_t width, int32_t height, uint16_t bitDepth, uint32_t tableEntries) {
    const uint32_t stride = ((width * bitDepth + 31) / 32) * 4;
    const uint32_t offset = 54 + 4 * tableEntries;
    ByteString out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + stride * height);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, bitDepth);
    for (int i = 0; i < 4; ++i) Put32(out, 0);  // compression, image size, resolution
    Put32(out, tableEntries);                   // colours used
    Put32(out, 0);
    return out;
}

void PadRow(ByteString& out, size_t rowStart) {
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

}  // namespace

uint32_t Le32(const ByteString& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

uint16_t Le16(const ByteString& bytes, size_t at) { return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8)); }

ByteString Patched(ByteString bytes, size_t at, uint32_t value, size_t size) {
    if (at > bytes.size() || size > bytes.size() - at) {
        ADD_FAILURE() << "no field at " << at << " in " << bytes.size() << " bytes";
        return bytes;
    }
    for (size_t i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}

ByteString MakeBmp24(int32_t width, int32_t height, const ColourAt& colour) {
    ByteString out = FileAndInfoHeaders(width, height, 24, 0);
    for (int32_t y = height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int32_t x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            out.insert(out.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
        }
        PadRow(out, rowStart);
    }
    return out;
}

ByteString MakeBmp8(int32_t width, int32_t height, const std::vector<COLORREF>& table,
                    const std::vector<uint8_t>& indices) {
    ByteString out = FileAndInfoHeaders(width, height, 8, static_cast<uint32_t>(table.size()));
    for (COLORREF c : table) out.insert(out.end(), {GetBValue(c), GetGValue(c), GetRValue(c), 0});
    for (int32_t y = height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int32_t x = 0; x < width; ++x) out.push_back(indices[static_cast<size_t>(y * width + x)]);
        PadRow(out, rowStart);
    }
    return out;
}

HBITMAP MakeRandomSection(int32_t width, int32_t height, int32_t bitDepth, uint32_t seed) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitDepth);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr) return nullptr;
    std::mt19937 random(seed);
    const size_t size = static_cast<size_t>(((width * bitDepth + 31) / 32) * 4) * height;
    for (size_t i = 0; i < size; ++i) static_cast<uint8_t*>(bits)[i] = static_cast<uint8_t>(random());
    return section;
}

ByteString TinyJpeg() {
    return ByteString{
  0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01,
  0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43,
  0x00, 0x08, 0x06, 0x06, 0x07, 0x06, 0x05, 0x08, 0x07, 0x07, 0x07, 0x09,
  0x09, 0x08, 0x0a, 0x0c, 0x14, 0x0d, 0x0c, 0x0b, 0x0b, 0x0c, 0x19, 0x12,
  0x13, 0x0f, 0x14, 0x1d, 0x1a, 0x1f, 0x1e, 0x1d, 0x1a, 0x1c, 0x1c, 0x20,
  0x24, 0x2e, 0x27, 0x20, 0x22, 0x2c, 0x23, 0x1c, 0x1c, 0x28, 0x37, 0x29,
  0x2c, 0x30, 0x31, 0x34, 0x34, 0x34, 0x1f, 0x27, 0x39, 0x3d, 0x38, 0x32,
  0x3c, 0x2e, 0x33, 0x34, 0x32, 0xff, 0xc0, 0x00, 0x0b, 0x08, 0x00, 0x01,
  0x00, 0x01, 0x01, 0x01, 0x11, 0x00, 0xff, 0xc4, 0x00, 0x14, 0x00, 0x01,
  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
  0x00, 0x00, 0x00, 0x00, 0xff, 0xc4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00,
  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
  0x00, 0x00, 0xff, 0xda, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3f, 0x00,
  0x3f, 0xff, 0xd9
    };
}

std::string TemporaryLoadFile() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + "新位图操作类_载入位图.bmp";
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteFileBytes(const std::string& path, const ByteString& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

COLORREF RandomColour(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

std::vector<COLORREF> FillRandomly(新位图操作类& bitmap, uint32_t seed) {
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x) bitmap.SetPixel(x, y, RandomColour(seed));
    }
    std::vector<COLORREF> read;
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x) read.push_back(bitmap.GetPixel(x, y));
    }
    return read;
}

int CountWrongPixels(新位图操作类& bitmap, const std::vector<COLORREF>& expected) {
    if (static_cast<size_t>(bitmap.GetWidth()) * static_cast<size_t>(bitmap.GetHeight()) != expected.size()) {
        return static_cast<int>(expected.size());
    }
    int wrong = 0;
    size_t next = 0;
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x) wrong += bitmap.GetPixel(x, y) != expected[next++] ? 1 : 0;
    }
    return wrong;
}

std::vector<COLORREF> DecodedPixels(const ByteString& image) {
    const imaging::DecodedPicture decoded = imaging::DecodePicture(image.data(), image.size());
    std::vector<COLORREF> pixels;
    if (decoded.status != imaging::DecodeStatus::Ok) return pixels;
    for (size_t i = 0; i + 3 < decoded.bgra.size(); i += 4) {
        pixels.push_back(RGB(decoded.bgra[i + 2], decoded.bgra[i + 1], decoded.bgra[i]));
    }
    return pixels;
}

}  // namespace fixtures
