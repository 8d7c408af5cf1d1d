#include "crop/DirectResize.h"

#include "crop/OverWhite.h"
#include "crop/ResizeTarget.h"
#include "imaging/decode/PictureDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

void Put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void Put32(uint8_t* at, uint32_t value) {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

// The headers of a Create(width, height, 24) picture's file image: "BM", the whole length,
// offset 54, then the info header with every field after the bit count 0.
void WriteHeaders(uint8_t* image, uint32_t imageSize, int32_t width, int32_t height) {
    image[0] = 'B';
    image[1] = 'M';
    Put32(image + 2, imageSize);
    Put32(image + 10, kFileHeaderSize + kInfoHeaderSize);
    uint8_t* info = image + kFileHeaderSize;
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, static_cast<uint32_t>(width));
    Put32(info + 8, static_cast<uint32_t>(height));
    Put16(info + 12, 1);
    Put16(info + 14, 24);
}

// ScaleNearest's mapping from 1-based target positions to 1-based source positions: the ratio
// in thousandths is truncated once, and a position below 1 is raised to 1.
int64_t NearestSource(int64_t target, int64_t ratio) { return std::max<int64_t>(1, target * ratio / 1000); }

}  // namespace

ResizeOutcome ResizeDirect(const std::string& fileBytes, int32_t width, int32_t height) {
    ResizeOutcome outcome;
    if (width < 1 || height < 1) {
        outcome.status = ResizeStatus::TargetTooSmall;
        return outcome;
    }
    if (!Bmp24Fits(width, height)) {
        outcome.status = ResizeStatus::TargetTooLarge;
        return outcome;
    }
    // Only the rows the mapping samples are kept: for a camera picture shrunk to 365 rows, some
    // 6 MB instead of the whole 48 MB.
    int64_t ry = 0;
    const imaging::RowPicker pick = [height, &ry](uint32_t, uint32_t sourceHeight) {
        ry = static_cast<int64_t>(sourceHeight) * 1000 / height;
        std::vector<uint32_t> rows;
        for (int64_t y = 1; y <= height; ++y) {
            const uint32_t row = static_cast<uint32_t>(NearestSource(y, ry) - 1);
            if (rows.empty() || rows.back() != row) rows.push_back(row);
        }
        return rows;
    };
    const imaging::PickedRows picture =
        imaging::DecodePickedRows(reinterpret_cast<const uint8_t*>(fileBytes.data()), fileBytes.size(), pick);
    if (picture.status != imaging::DecodeStatus::Ok) {
        outcome.status = ResizeStatus::Undecodable;
        return outcome;
    }

    const int64_t rx = static_cast<int64_t>(picture.width) * 1000 / width;
    const size_t stride = static_cast<size_t>(((static_cast<int64_t>(width) * 24 + 31) >> 5) << 2);
    const size_t imageSize = kFileHeaderSize + kInfoHeaderSize + stride * static_cast<size_t>(height);
    std::vector<size_t> columnOffsets;
    try {
        columnOffsets.resize(static_cast<size_t>(width));
        outcome.bmp.assign(imageSize, 0);
    } catch (const std::bad_alloc&) {
        outcome.bmp.clear();
        outcome.status = ResizeStatus::TargetTooLarge;
        return outcome;
    }
    for (int64_t x = 1; x <= width; ++x) {
        columnOffsets[static_cast<size_t>(x - 1)] = static_cast<size_t>(NearestSource(x, rx) - 1) * 4;
    }

    uint8_t* image = outcome.bmp.data();
    WriteHeaders(image, static_cast<uint32_t>(imageSize), width, height);
    const size_t sourceStride = static_cast<size_t>(picture.width) * 4;
    size_t kept = 0;  // the source rows come in the order the target rows need them
    for (int64_t y = 1; y <= height; ++y) {
        const uint32_t sourceRowIndex = static_cast<uint32_t>(NearestSource(y, ry) - 1);
        while (picture.rows[kept] != sourceRowIndex) ++kept;
        const uint8_t* sourceRow = picture.bgra.data() + kept * sourceStride;
        // Row y of the picture, counted from the top, is stored height - y rows from the start.
        uint8_t* out = image + kFileHeaderSize + kInfoHeaderSize + stride * static_cast<size_t>(height - y);
        for (size_t offset : columnOffsets) {
            PixelOverWhite(sourceRow + offset, out);
            out += 3;
        }
    }
    outcome.status = ResizeStatus::Done;
    return outcome;
}
