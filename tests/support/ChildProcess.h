#pragma once
// Runs this test program again with one flag, for behaviour that ends a process.
#include <windows.h>

#include <string>

namespace testsupport {

struct ChildResult {
    bool ended = false;  // false: it was still running at the time-out and was terminated
    DWORD exitCode = 0;
    DWORD elapsedMs = 0;
};

inline ChildResult RunSelfWithFlag(const char* flag, DWORD timeoutMs) {
    ChildResult result;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" " + flag;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return result;
    const DWORD started = GetTickCount();
    result.ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    result.elapsedMs = GetTickCount() - started;
    if (!result.ended) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

}  // namespace testsupport
