#include "imaging/BitmapObject.h"

#include "imaging/BitmapByteOrder.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kFileHeaderSize = 14;

struct PaletteEntry {
    uint8_t red, green, blue;
};

// The first ten and last ten entries of the 8-bit table; the ones between follow a formula.
constexpr PaletteEntry kPalette8Head[10] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
constexpr PaletteEntry kPalette8Tail[10] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
constexpr PaletteEntry kPalette4[16] = {
    {0, 0, 0},       {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

void PutEntry(ByteString& table, PaletteEntry entry) {
    table.insert(table.end(), {entry.blue, entry.green, entry.red, 0});
}

using bitmap_bytes::Put16;
using bitmap_bytes::Put32;

uint32_t Read32(const ByteString& bytes, size_t at) { return bitmap_bytes::Read32(bytes.data() + at); }

uint16_t Read16(const ByteString& bytes, size_t at) { return bitmap_bytes::Read16(bytes.data() + at); }

int32_t ColoursForDepth(int16_t bitDepth) {
    switch (bitDepth) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

int32_t ClampToInt32(int64_t value) {
    if (value > INT32_MAX || value < INT32_MIN) return 0;
    return static_cast<int32_t>(value);
}

}  // namespace

新位图操作类::新位图操作类() {
    BuildDefaultPalettes();
    screenDc_.Acquire();
}

新位图操作类::~新位图操作类() = default;

void 新位图操作类::Clear() {
    if (packedDib_.empty() && dib_.Get() == nullptr) return;
    previousBitmap_.Restore();
    dib_.Reset();
    memoryDc_.Reset();
    screenDc_.Acquire();
    bits_ = nullptr;
    ByteString().swap(packedDib_);  // gives the memory back, not just the length
    pixelsChanged_ = false;
    direct_ = DirectLayout();
    gdiOutputPending_ = false;
    handedOut_ = false;
}

void 新位图操作类::BuildDefaultPalettes() {
    palette1_.clear();
    PutEntry(palette1_, {0, 0, 0});
    PutEntry(palette1_, {255, 255, 255});

    palette4_.clear();
    for (const PaletteEntry& entry : kPalette4) PutEntry(palette4_, entry);

    palette8_.clear();
    for (const PaletteEntry& entry : kPalette8Head) PutEntry(palette8_, entry);
    for (int i = 10; i <= 245; ++i) {
        PutEntry(palette8_, {static_cast<uint8_t>(32 * (i % 8)), static_cast<uint8_t>(32 * ((i / 8) % 8)),
                             static_cast<uint8_t>(64 * (i / 64))});
    }
    for (const PaletteEntry& entry : kPalette8Tail) PutEntry(palette8_, entry);
}

bool 新位图操作类::LoadFromHandle(HBITMAP source, int32_t bitDepth) {
    Clear();
    BITMAP bm = {};
    // GetObjectA would fill a brush's or pen's record into bm just as willingly.
    if (source == nullptr || GetObjectType(source) != OBJ_BITMAP) return false;
    if (GetObjectA(source, sizeof bm, &bm) == 0) return false;

    MemoryDcHandle tempDc(CreateCompatibleDC(screenDc_.Get()));
    // A bitmap selected into another DC cannot be selected here; copying would give black.
    SelectionHandle sourceSelection;
    if (tempDc.Get() == nullptr || !sourceSelection.Select(tempDc.Get(), source)) return false;

    if (bitDepth == 0) bitDepth = bm.bmBitsPixel;
    if (!BuildHeader(bm.bmWidth, bm.bmHeight, bitDepth)) return false;
    if (!MakeSection(screenDc_.Get())) return false;
    BitBlt(memoryDc_.Get(), 0, 0, bm.bmWidth, bm.bmHeight, tempDc.Get(), 0, 0, SRCCOPY);
    FlushGdiOutput();
    RefreshBytes();
    return true;
}

bool 新位图操作类::Create(int32_t width, int32_t height, int32_t bitDepth) {
    Clear();
    if (!BuildHeader(width, height, bitDepth)) return false;
    if (!MakeSection(screenDc_.Get())) return false;
    FlushGdiOutput();
    RefreshBytes();
    return true;
}

bool 新位图操作类::MakeSection(HDC reference) {
    memoryDc_.Reset(CreateCompatibleDC(reference));
    void* bits = nullptr;
    dib_.Reset(CreateDIBSection(reference, reinterpret_cast<const BITMAPINFO*>(packedDib_.data()),
                                DIB_RGB_COLORS, &bits, nullptr, 0));
    if (memoryDc_.Get() == nullptr || dib_.Get() == nullptr || bits == nullptr ||
        !previousBitmap_.Select(memoryDc_.Get(), dib_.Get())) {
        Clear();
        return false;
    }
    bits_ = bits;
    DescribeDirectLayout();
    return true;
}

bool 新位图操作类::RefreshBytes() {
    if (packedDib_.empty()) return false;
    FlushGdiOutput();  // SetPixelV, or a caller's drawing, may still sit in this thread's GDI batch
    const int32_t size = GetPixelDataSize();
    uint8_t* rows = GetPixelDataPointer();
    // Only what both sides hold; a header that promises more rows than exist copies nothing.
    if (bits_ != nullptr && rows != nullptr && size > 0 &&
        static_cast<size_t>(size) <= packedDib_.size() - (rows - packedDib_.data())) {
        std::memcpy(rows, bits_, static_cast<size_t>(size));
    }
    return true;
}

bool 新位图操作类::BuildHeader(int32_t width, int32_t height, int32_t bitDepth) {
    const ByteString* table = nullptr;
    switch (bitDepth) {
    case 1: table = &palette1_; break;
    case 4: table = &palette4_; break;
    case 8: table = &palette8_; break;
    case 16: case 24: case 32: break;
    default: return false;
    }
    // A negative side would make a negative size; every count below must fit the int32 queries.
    if (width < 0 || height < 0) return false;
    const int64_t bitsPerRow = static_cast<int64_t>(width) * bitDepth;
    if (bitsPerRow > INT32_MAX - 31) return false;
    const int64_t tableBytes = table != nullptr ? static_cast<int64_t>(table->size()) : 0;
    const int64_t size = tableBytes + static_cast<int64_t>(RowBytes(static_cast<int32_t>(bitsPerRow))) * height;
    if (static_cast<int64_t>(kInfoHeaderSize) + size > INT32_MAX) return false;

    BITMAPINFOHEADER header = {};
    header.biSize = kInfoHeaderSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitDepth);
    header.biCompression = BI_RGB;
    try {
        ByteString bytes = InfoHeaderToBytes(header);
        bytes.resize(kInfoHeaderSize + static_cast<size_t>(size));
        if (table != nullptr) std::memcpy(bytes.data() + kInfoHeaderSize, table->data(), table->size());
        packedDib_.swap(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int32_t 新位图操作类::GetWidth() const {
    return packedDib_.size() < kInfoHeaderSize ? 0 : static_cast<int32_t>(Read32(packedDib_, 4));
}

int32_t 新位图操作类::GetHeight() const {
    return packedDib_.size() < kInfoHeaderSize ? 0 : static_cast<int32_t>(Read32(packedDib_, 8));
}

int32_t 新位图操作类::GetBitDepth() const {
    return packedDib_.size() < kInfoHeaderSize ? 0 : Read16(packedDib_, 14);
}

uint8_t* 新位图操作类::GetPixelDataPointer() {
    return const_cast<uint8_t*>(static_cast<const 新位图操作类*>(this)->GetPixelDataPointer());
}

const uint8_t* 新位图操作类::GetPixelDataPointer() const {
    const size_t offset = kInfoHeaderSize + static_cast<size_t>(GetPaletteSize());
    if (packedDib_.size() < kInfoHeaderSize || offset > packedDib_.size()) return nullptr;
    return packedDib_.data() + offset;
}

int32_t 新位图操作类::GetPixelDataSize() const {
    return ClampToInt32(static_cast<int64_t>(GetHeight()) * GetStride());
}

uint8_t* 新位图操作类::GetPalettePointer() {
    return const_cast<uint8_t*>(static_cast<const 新位图操作类*>(this)->GetPalettePointer());
}

const uint8_t* 新位图操作类::GetPalettePointer() const {
    if (packedDib_.size() < kInfoHeaderSize || GetBitDepth() >= 16) return nullptr;
    return packedDib_.data() + kInfoHeaderSize;
}

int32_t 新位图操作类::GetPaletteSize() const {
    if (packedDib_.size() < kInfoHeaderSize) return 0;
    return 4 * ColoursForDepth(static_cast<int16_t>(Read16(packedDib_, 14)));
}

int32_t 新位图操作类::ColourCount(const ByteString& header) {
    if (header.size() < 16) return 0;
    return ColoursForDepth(static_cast<int16_t>(Read16(header, 14)));
}

int32_t 新位图操作类::GetStride() const {
    if (packedDib_.size() < kInfoHeaderSize) return 0;
    const int64_t bitsPerRow =
        static_cast<int64_t>(GetWidth()) * static_cast<int16_t>(Read16(packedDib_, 12)) * GetBitDepth();
    if (bitsPerRow > INT32_MAX - 31 || bitsPerRow < INT32_MIN) return 0;
    return RowBytes(static_cast<int32_t>(bitsPerRow));
}

int32_t 新位图操作类::RowBytes(int32_t bitsPerRow) {
    // Widened so that the +31 cannot overflow; the result always fits.
    return static_cast<int32_t>(((static_cast<int64_t>(bitsPerRow) + 31) >> 5) << 2);
}

ByteString 新位图操作类::InfoHeaderToBytes(const BITMAPINFOHEADER& header) {
    ByteString bytes(kInfoHeaderSize);
    uint8_t* at = bytes.data();
    Put32(at + 0, header.biSize);
    Put32(at + 4, static_cast<uint32_t>(header.biWidth));
    Put32(at + 8, static_cast<uint32_t>(header.biHeight));
    Put16(at + 12, header.biPlanes);
    Put16(at + 14, header.biBitCount);
    Put32(at + 16, header.biCompression);
    Put32(at + 20, header.biSizeImage);
    Put32(at + 24, static_cast<uint32_t>(header.biXPelsPerMeter));
    Put32(at + 28, static_cast<uint32_t>(header.biYPelsPerMeter));
    Put32(at + 32, header.biClrUsed);
    Put32(at + 36, header.biClrImportant);
    return bytes;
}

ByteString 新位图操作类::ToBmpBytes() {
    RefreshForOutput();
    ByteString image;
    try {
        image.resize(kFileHeaderSize + packedDib_.size());
    } catch (const std::bad_alloc&) {
        return ByteString();  // not even the file header: the caller must not take this for a picture
    }
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = static_cast<DWORD>(image.size());
    header.bfOffBits = static_cast<DWORD>(kFileHeaderSize + kInfoHeaderSize + GetPaletteSize());
    const ByteString fileHeader = FileHeaderToBytes(header);
    std::memcpy(image.data(), fileHeader.data(), kFileHeaderSize);
    if (!packedDib_.empty()) std::memcpy(image.data() + kFileHeaderSize, packedDib_.data(), packedDib_.size());
    return image;
}

void 新位图操作类::RefreshIfChanged() {
    if (!pixelsChanged_) return;
    RefreshBytes();
    pixelsChanged_ = false;
}

void 新位图操作类::RefreshForOutput() {
    if (handedOut_) pixelsChanged_ = true;
    RefreshIfChanged();
}
