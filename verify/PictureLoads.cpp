#include "verify/PictureLoads.h"

#include "imaging/decode/PictureDecoder.h"

#include <windows.h>

#include <vector>

namespace {
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// Pictures past this size are not read into memory: no decoder accepts more pixels than a few
// bytes each can encode, and a user's folder may hold anything.
constexpr LONGLONG kLargestFile = 2LL * 1024 * 1024 * 1024 - 1;
}  // namespace

bool PictureLoads(const std::string& path) {
    // Others may read the file meanwhile but not change it.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 8 || size.QuadPart > kLargestFile) return false;

    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), 8, &read, nullptr) || read != 8) return false;
    if (imaging::DetectPictureFormat(bytes.data(), 8) == imaging::PictureFormat::Unknown) return false;

    size_t total = 8;
    while (total < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - total, 1u << 24));
        if (!ReadFile(file.Get(), bytes.data() + total, chunk, &read, nullptr) || read == 0) break;
        total += read;
    }
    bytes.resize(total);
    return imaging::CheckPictureDecodes(bytes.data(), bytes.size()) == imaging::DecodeStatus::Ok;
}
