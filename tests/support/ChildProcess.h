#pragma once
// Runs this test program again with one flag, for behaviour that ends a process.
#include <windows.h>

#include <functional>
#include <string>

namespace testsupport {

struct ChildResult {
    bool ended = false;  // false: it was still running at the time-out and was terminated
    DWORD exitCode = 0;
    DWORD elapsedMs = 0;
};

// Starts the child, lets meanwhile act on it while it runs, then waits for it to end.
inline void RunSelfWithFlag(const char* flag, DWORD timeoutMs,
                            const std::function<void(const PROCESS_INFORMATION&)>& meanwhile, ChildResult* out) {
    ChildResult result;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" " + flag;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        *out = result;
        return;
    }
    const DWORD started = GetTickCount();
    if (meanwhile) meanwhile(process);
    const DWORD spent = GetTickCount() - started;
    result.ended = WaitForSingleObject(process.hProcess, spent < timeoutMs ? timeoutMs - spent : 0) == WAIT_OBJECT_0;
    result.elapsedMs = GetTickCount() - started;
    if (!result.ended) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    *out = result;
}

inline ChildResult RunSelfWithFlag(const char* flag, DWORD timeoutMs) {
    ChildResult result;
    RunSelfWithFlag(flag, timeoutMs, nullptr, &result);
    return result;
}

}  // namespace testsupport
