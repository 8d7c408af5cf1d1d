#include "app/FileBytes.h"

#include <windows.h>

#include <algorithm>
#include <new>

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
        static_cast<unsigned long long>(size.QuadPart) < bytes.max_size()) {
        try {
            bytes.resize(static_cast<size_t>(size.QuadPart));
        } catch (const std::bad_alloc&) {
            // Too big to hold: as unreadable as a missing file.
            CloseHandle(file);
            return {};
        }
        size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
            DWORD read = 0;
            if (!ReadFile(file, &bytes[done], chunk, &read, nullptr) || read == 0) break;
            done += read;
        }
        bytes.resize(done);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool wrote = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                   nullptr) && written == bytes.size());
    // A write the system could not finish shows only when the handle is closed.
    return CloseHandle(file) && wrote;
}
