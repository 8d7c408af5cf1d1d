// Loading from BMP files and from BMP bytes, and the special folders.
//
// LoadFromBytes goes through one fixed file name in the user's temporary folder. A lock inside
// the process is not enough: two copies of the program would write, read and delete the same
// file at once and each take the other's picture. A named mutex, held from the write to the
// delete, keeps every load of every process in the session apart.
#include "common/FileBytes.h"
#include "common/PathText.h"
#include "imaging/BitmapObject.h"

#include <shlobj.h>

namespace {

constexpr const char kTemporaryFileName[] = "新位图操作类_载入位图.bmp";
constexpr const char kTemporaryFileMutex[] = "Local\\Quillmere 新位图操作类_载入位图.bmp";
// A load takes well under a second; a holder that has not let go after this is stuck, and
// waiting longer would only hang the caller's run with it.
constexpr DWORD kTemporaryFileWaitMs = 120000;

class NamedMutexLock {
public:
    explicit NamedMutexLock(const char* name) : mutex_(CreateMutexA(nullptr, FALSE, name)) {
        if (mutex_ == nullptr) return;
        // An abandoned mutex still passes ownership; its holder ended before deleting the file,
        // and this load rewrites the file anyway.
        const DWORD waited = WaitForSingleObject(mutex_, kTemporaryFileWaitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~NamedMutexLock() {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    bool Held() const { return held_; }

private:
    HANDLE mutex_;
    bool held_ = false;
};

}  // namespace

bool 新位图操作类::LoadFromBytes(const ByteString& bytes) {
    const std::string path = GetSpecialFolder(11) + kTemporaryFileName;
    NamedMutexLock lock(kTemporaryFileMutex);
    if (!lock.Held()) {
        Clear();
        return false;
    }
    // A failed write would leave whatever an earlier load left in the file to be loaded instead.
    bool result = false;
    if (WriteWholeFile(path, bytes.data(), bytes.size())) {
        result = LoadFromFile(path);
    } else {
        Clear();
    }
    DeleteFileA(path.c_str());
    return result;
}

bool 新位图操作类::LoadFromFile(const std::string& path) {
    GdiObjectHandle handle(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    return LoadFromHandle(static_cast<HBITMAP>(handle.Get()), 0);
}

std::string GetSpecialFolder(int32_t selector) {
    // Shell folders of selectors 1 to 8, and 12.
    static constexpr int kShellFolders[] = {CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY,
                                            CSIDL_FONTS, CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP,
                                            CSIDL_APPDATA};
    char buffer[MAX_PATH] = {};
    // A result as long as the buffer means it did not fit and the buffer holds nothing useful.
    auto fits = [](UINT length) { return length > 0 && length < MAX_PATH; };
    bool found = false;
    if (selector == 0) selector = 3;
    if (selector >= 1 && selector <= 8) {
        found = SHGetSpecialFolderPathA(nullptr, buffer, kShellFolders[selector - 1], FALSE) != FALSE;
    } else if (selector == 9) {
        found = fits(GetWindowsDirectoryA(buffer, MAX_PATH));
    } else if (selector == 10) {
        found = fits(GetSystemDirectoryA(buffer, MAX_PATH));
    } else if (selector == 11) {
        found = fits(GetTempPathA(MAX_PATH, buffer));
    } else if (selector == 12) {
        found = SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_INTERNET_CACHE, FALSE) != FALSE;
    }
    if (!found || buffer[0] == '\0') return std::string();
    std::string path(buffer);
    if (!EndsWithBackslash(path)) path += '\\';
    return path;
}
