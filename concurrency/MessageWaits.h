#pragma once
#include <windows.h>
#include <cstdint>

// Waits for the window thread that keep dispatching its messages, so the window stays responsive
// while a long run polls the pool. They act on the calling thread's queue.

// The window's keyboard handling (dialog navigation) that every dispatch loop applies first;
// returns true when it consumed the message.
using MessagePreTranslator = bool (*)(MSG* message);
void SetMessagePreTranslator(MessagePreTranslator preTranslator);
bool PreTranslateMessage(MSG* message);

// Dispatches every waiting message; WM_QUIT stays queued for the main loop.
void PumpMessages();
// How many times the calling thread has called PumpMessages: the waits' pacing, seen by tests.
uint64_t PumpMessagesCalls();
// Sleeps in 15 ms slices, dispatching after each slice and after the remainder.
void SleepPumping(int milliseconds);

enum TimedWaitUnit : int64_t { kMilliseconds = 0, kSeconds = 1, kMinutes = 2, kHours = 3 };
// Waits amount × unit on a waitable timer while dispatching input; always true.
bool TimedMessageWait(int amount, int64_t unit = kMilliseconds);
