#include "verify/PictureLoads.h"

#include "common/FileBytes.h"
#include "imaging/decode/PictureDecoder.h"

#include <cstdint>

namespace {
constexpr size_t kSignatureBytes = 8;
// Files past this size are not read into memory: no decoder accepts more pixels than a few bytes
// each can encode, and a user's folder may hold anything.
constexpr unsigned long long kLargestFile = 2ULL * 1024 * 1024 * 1024 - 1;

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

bool Known(const std::string& head, unsigned long long size) {
    return size <= kLargestFile &&
           imaging::DetectPictureFormat(Bytes(head), head.size()) != imaging::PictureFormat::Unknown;
}

bool Decodes(const std::string& bytes) {
    return imaging::CheckPictureDecodes(Bytes(bytes), bytes.size()) == imaging::DecodeStatus::Ok;
}
}  // namespace

bool PictureLoads(const std::string& path) noexcept {
    try {
        const HeadedRead file = ReadWholeFileIfHead(path, kSignatureBytes, &Known);
        return file.complete && Decodes(file.bytes);
    } catch (...) {
        return false;  // whatever could not be had counts as no picture
    }
}

bool PictureBytesLoad(const std::string& bytes) noexcept {
    try {
        return bytes.size() >= kSignatureBytes && Known(bytes.substr(0, kSignatureBytes), bytes.size()) &&
               Decodes(bytes);
    } catch (...) {
        return false;
    }
}
