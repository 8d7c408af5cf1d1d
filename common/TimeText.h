#pragma once
#include <windows.h>

#include <string>

// A moment as "2024-03-07 09:05": the full year, then month, day, hour and minute in two digits;
// no seconds.
std::string FormatTime(const SYSTEMTIME& time);
// The current local time in that form. Any thread may call it.
std::string FormatNow();
