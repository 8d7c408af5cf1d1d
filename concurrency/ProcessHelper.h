#pragma once
#include <windows.h>
#include <string>

// Stateless process utilities; any thread may call them.
class ProcessHelper {
public:
    ProcessHelper() = default;
    ~ProcessHelper() = default;

    // Sends EM_SETCUEBANNER (shown also while focused) with the text converted from code page 936.
    LRESULT SetCueBanner(const char* text, HWND edit);
    // Asks the system to drop as many pages as it can from the working set; failures are ignored.
    void TrimWorkingSet();
    // UTF-16 bytes of a code-page text, terminating zero included; empty when not convertible.
    std::string ToUtf16(const char* text, UINT codePage = 936);
};
