#include "common/ProgramFolder.h"

#include "common/PathText.h"

#include <windows.h>

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length);
    const size_t after = AfterLastBackslash(file);
    return after == 0 ? std::string() : file.substr(0, after - 1);
}
