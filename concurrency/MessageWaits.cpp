#include "concurrency/MessageWaits.h"

namespace {
MessagePreTranslator g_preTranslator = nullptr;
thread_local uint64_t t_pumpCalls = 0;

int64_t MillisecondsPerUnit(int64_t unit) {
    switch (unit) {
    case kMilliseconds: return 1;
    case kSeconds: return 1000;
    case kMinutes: return 60000;
    case kHours: return 3600000;
    default: return unit;
    }
}
}  // namespace

void SetMessagePreTranslator(MessagePreTranslator preTranslator) { g_preTranslator = preTranslator; }

bool PreTranslateMessage(MSG* message) {
    return g_preTranslator != nullptr && g_preTranslator(message);
}

uint64_t PumpMessagesCalls() { return t_pumpCalls; }

void PumpMessages() {
    ++t_pumpCalls;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) break;
        if (message.message == WM_QUIT) {
            // Raced in between the two peeks: put it back for the main loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (PreTranslateMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void SleepPumping(int milliseconds) {
    if (milliseconds < 15) {
        Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
        PumpMessages();
        return;
    }
    const int slices = milliseconds / 15;
    for (int i = 0; i < slices; ++i) {
        Sleep(15);
        PumpMessages();
    }
    const int remainder = milliseconds - 15 * slices;
    if (remainder > 0) {
        Sleep(static_cast<DWORD>(remainder));
        PumpMessages();
    }
}

bool TimedMessageWait(int amount, int64_t unit) {
    const double perUnit = static_cast<double>(MillisecondsPerUnit(unit));
    const double totalMs = static_cast<double>(amount) * perUnit;
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>(totalMs * -10000.0);

    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        for (;;) {
            DWORD result = MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, 0xFF);
            if (result == WAIT_OBJECT_0) break;
            PumpMessages();
            if (result == WAIT_FAILED) {
                // A wait that fails at once would fail again: finish the time by sleeping instead.
                if (totalMs > 0) SleepPumping(static_cast<int>(totalMs > 0x7FFFFFFF ? 0x7FFFFFFF : totalMs));
                break;
            }
        }
    } else if (totalMs > 0) {
        // No timer: keep the promised duration and responsiveness with sleeping slices.
        SleepPumping(static_cast<int>(totalMs > 0x7FFFFFFF ? 0x7FFFFFFF : totalMs));
    } else {
        PumpMessages();
    }
    if (timer != nullptr) CloseHandle(timer);
    return true;
}
