#include "common/ProgramResource.h"

#include <windows.h>

std::string ProgramResourceBytes(const char* name) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, RT_RCDATA);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}
