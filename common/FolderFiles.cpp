#include "common/FolderFiles.h"

#include "common/PathText.h"

#include <windows.h>

namespace {
constexpr DWORD kTakenAttributes = 0x37;  // read-only, hidden, system, folder, archive

class SearchHandle {
public:
    explicit SearchHandle(HANDLE handle) : handle_(handle) {}
    ~SearchHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    SearchHandle(const SearchHandle&) = delete;
    SearchHandle& operator=(const SearchHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};
}  // namespace

bool IsEnumeratedEntryTaken(unsigned long attributes) { return (attributes & kTakenAttributes) != 0; }

std::string ForEachFolderFile(std::string folder, const FolderFileVisitor& visit) {
    if (!EndsWithBackslash(folder)) folder += '\\';
    WIN32_FIND_DATAA entry;
    SearchHandle search(FindFirstFileA((folder + "*.*").c_str(), &entry));
    if (search.Get() == INVALID_HANDLE_VALUE) return folder;
    do {
        if (!IsEnumeratedEntryTaken(entry.dwFileAttributes)) continue;
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const DWORD attributes = GetFileAttributesA((folder + name).c_str()) & kTakenAttributes;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        visit(folder, name);
    } while (FindNextFileA(search.Get(), &entry));
    return folder;
}
