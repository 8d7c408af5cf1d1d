// BMP file images held in memory: loading one without a file, and the byte strings the object
// hands out.
//
// A BMP file image comes from outside, so nothing of it is taken on trust: every part it names
// (info header, colour table, pixel rows) must lie where its headers say and inside the bytes
// before anything is made, and a side beyond 65535 pixels is refused rather than cut to its low
// 16 bits into another picture.
#include "imaging/BitmapObject.h"

#include "imaging/BitmapByteOrder.h"

#include <cstring>
#include <new>

namespace {

using bitmap_bytes::Put16;
using bitmap_bytes::Put32;
using bitmap_bytes::Read16;
using bitmap_bytes::Read32;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
// Up to here the spans are only headers; a picture needs at least one more byte.
constexpr size_t kSmallestImage = kFileHeaderSize + kInfoHeaderSize;
constexpr int32_t kLargestSide = 65535;

// Where the parts of a BMP file image lie, every offset and count checked against its length.
struct BmpParts {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 0;
    size_t tableAt = 0;
    size_t tableEntries = 0;  // as many as the file holds; up to 2, 16 or 256
    size_t tableCapacity = 0;  // 2, 16 or 256 for the indexed depths, else 0
    size_t rowsAt = 0;
    size_t rowsSize = 0;
};

bool FindParts(const ByteString& bytes, BmpParts& parts) {
    const uint64_t size = bytes.size();
    if (size <= kSmallestImage) return false;
    const uint8_t* file = bytes.data();
    const uint64_t infoSize = Read32(file + 14);
    // Later header versions begin with the same 40 bytes; what follows them is not ours to use.
    if (infoSize < kInfoHeaderSize || kFileHeaderSize + infoSize > size) return false;

    const int32_t width = static_cast<int32_t>(Read32(file + 18));
    const int32_t height = static_cast<int32_t>(Read32(file + 22));
    // A negative height is a top-down picture, which this object does not hold.
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) return false;
    if (Read16(file + 26) != 1 || Read32(file + 30) != BI_RGB) return false;

    const int32_t bitDepth = Read16(file + 28);
    size_t capacity = 0;
    switch (bitDepth) {
    case 1: capacity = 2; break;
    case 4: capacity = 16; break;
    case 8: capacity = 256; break;
    case 16: case 24: case 32: break;
    default: return false;
    }
    // A table before the rows of a 16-, 24- or 32-bit picture is only a hint; bfOffBits skips it.
    const uint64_t coloursUsed = Read32(file + 46);
    const uint64_t entries = capacity == 0 ? 0 : (coloursUsed == 0 ? capacity : coloursUsed);
    if (entries > capacity) return false;

    const uint64_t tableAt = kFileHeaderSize + infoSize;
    const uint64_t rowsAt = Read32(file + 10);
    const uint64_t stride = ((static_cast<uint64_t>(width) * bitDepth + 31) >> 5) << 2;
    const uint64_t rowsSize = stride * static_cast<uint64_t>(height);
    if (rowsAt < tableAt + 4 * entries || rowsAt > size || rowsSize > size - rowsAt) return false;

    parts.width = width;
    parts.height = height;
    parts.bitDepth = bitDepth;
    parts.tableAt = static_cast<size_t>(tableAt);
    parts.tableEntries = static_cast<size_t>(entries);
    parts.tableCapacity = capacity;
    parts.rowsAt = static_cast<size_t>(rowsAt);
    parts.rowsSize = static_cast<size_t>(rowsSize);
    return true;
}

}  // namespace

bool 新位图操作类::LoadFromBmpBytes(const ByteString& bytes) {
    Clear();
    BmpParts parts;
    if (!FindParts(bytes, parts)) return false;
    if (!Create(parts.width, parts.height, parts.bitDepth)) return false;
    // Create laid out the byte copy for exactly this picture: the file's parts fill it.
    if (static_cast<size_t>(GetPixelDataSize()) != parts.rowsSize ||
        static_cast<size_t>(GetPaletteSize()) != 4 * parts.tableCapacity) {
        Clear();
        return false;
    }
    std::memcpy(packedDib_.data(), bytes.data() + kFileHeaderSize, kInfoHeaderSize);
    Put32(packedDib_.data(), kInfoHeaderSize);
    if (parts.tableCapacity > 0) {
        uint8_t* table = GetPalettePointer();
        std::memcpy(table, bytes.data() + parts.tableAt, 4 * parts.tableEntries);
        std::memset(table + 4 * parts.tableEntries, 0, 4 * (parts.tableCapacity - parts.tableEntries));
        // Without the file's colours the section would show its indices in the default ones.
        if (SetDIBColorTable(memoryDc_.Get(), 0, static_cast<UINT>(parts.tableCapacity),
                             reinterpret_cast<const RGBQUAD*>(table)) != parts.tableCapacity) {
            Clear();
            return false;
        }
    }
    std::memcpy(GetPixelDataPointer(), bytes.data() + parts.rowsAt, parts.rowsSize);
    std::memcpy(bits_, GetPixelDataPointer(), parts.rowsSize);
    return true;
}

const BITMAPINFO* 新位图操作类::GetInfoPointer() const {
    if (packedDib_.size() < kInfoHeaderSize) return nullptr;
    return reinterpret_cast<const BITMAPINFO*>(packedDib_.data());
}

ByteString 新位图操作类::FileHeaderToBytes(const BITMAPFILEHEADER& header) {
    ByteString bytes(kFileHeaderSize);
    uint8_t* at = bytes.data();
    Put16(at + 0, header.bfType);
    Put32(at + 2, header.bfSize);
    Put16(at + 6, header.bfReserved1);
    Put16(at + 8, header.bfReserved2);
    Put32(at + 10, header.bfOffBits);
    return bytes;
}

ByteString 新位图操作类::GetPixelBytes() {
    RefreshForOutput();
    const int32_t size = GetPixelDataSize();
    if (size <= 0 || static_cast<size_t>(size) > packedDib_.size()) return ByteString();
    try {
        return ByteString(packedDib_.end() - size, packedDib_.end());
    } catch (const std::bad_alloc&) {
        return ByteString();
    }
}
