#include "concurrency/ProcessHelper.h"

#include <commctrl.h>

LRESULT ProcessHelper::SetCueBanner(const char* text, HWND edit) {
    std::string wide = ToUtf16(text, 936);
    if (wide.empty()) wide.assign(2, '\0');
    return SendMessageA(edit, EM_SETCUEBANNER, 1, reinterpret_cast<LPARAM>(wide.data()));
}

void ProcessHelper::TrimWorkingSet() {
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

std::string ProcessHelper::ToUtf16(const char* text, UINT codePage) {
    if (text == nullptr) return {};
    int units = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (units <= 0) return {};
    std::string bytes(static_cast<size_t>(units) * 2, '\0');
    MultiByteToWideChar(codePage, 0, text, -1, reinterpret_cast<wchar_t*>(&bytes[0]), units);
    return bytes;
}
