#include "common/FileBytes.h"

#include "common/PathText.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>

namespace {
constexpr DWORD kChunk = 1u << 24;
std::atomic<size_t> g_fullDiskAfter{SIZE_MAX};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // A write the system could not finish may show only here.
    bool Close() {
        if (!Valid()) return true;
        const bool closed = CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

HANDLE OpenForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                       nullptr);
}

// Reads into bytes from offset `from` to its end; false when the file ended or failed first.
bool ReadInto(HANDLE file, std::string& bytes, size_t from) {
    size_t done = from;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunk));
        DWORD read = 0;
        if (!ReadFile(file, &bytes[done], chunk, &read, nullptr) || read == 0) {
            bytes.resize(done);
            return false;
        }
        done += read;
    }
    return true;
}

bool Resize(std::string& bytes, unsigned long long size) {
    if (size >= bytes.max_size()) return false;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool WriteAll(HANDLE file, const char* bytes, size_t size) {
    const size_t limit = g_fullDiskAfter.load();
    size_t done = 0;
    while (done < size) {
        if (done >= limit) return false;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, kChunk));
        if (limit != SIZE_MAX) chunk = static_cast<DWORD>(std::min<size_t>(chunk, limit - done));
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}
}  // namespace

std::string ReadWholeFile(const std::string& path) {
    return ReadWholeFileIfHead(path, 0, [](const std::string&, unsigned long long) { return true; }).bytes;
}

HeadedRead ReadWholeFileIfHead(const std::string& path, size_t headBytes, const HeadCheck& accepted) {
    HeadedRead result;
    FileHandle file(OpenForReading(path));
    if (!file.Valid()) return result;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return result;
    const unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
    if (!Resize(result.bytes, std::min<unsigned long long>(headBytes, total))) return result;
    if (!ReadInto(file.Get(), result.bytes, 0) || result.bytes.size() < headBytes) return result;
    if (!accepted(result.bytes, total)) return result;
    const size_t head = result.bytes.size();
    if (!Resize(result.bytes, total)) {
        result.bytes.clear();  // too large to hold: as unreadable as a missing file
        return result;
    }
    ReadInto(file.Get(), result.bytes, head);  // a file cut short meanwhile keeps what was read
    result.complete = true;
    return result;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteWholeFile(path, bytes.data(), bytes.size());
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
    // A read-only file stays as it is, as a write into it would; a move alone might replace it.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    const size_t after = AfterLastBackslash(path);
    const std::string folder = after == 0 ? std::string(".") : path.substr(0, after);
    char temporary[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "qlm", 0, temporary) == 0) return false;
    bool written;
    {
        FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file.Valid() && WriteAll(file.Get(), static_cast<const char*>(data), size) &&
                  FlushFileBuffers(file.Get());
        written = file.Close() && written;
    }
    if (written && MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileA(temporary);
    return false;
}

void SimulateFullDiskForTests(size_t bytesBeforeFailure) { g_fullDiskAfter = bytesBeforeFailure; }
