#include "common/TimeText.h"

#include <cstdio>

std::string FormatTime(const SYSTEMTIME& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%u-%02u-%02u %02u:%02u", unsigned{time.wYear}, unsigned{time.wMonth},
                  unsigned{time.wDay}, unsigned{time.wHour}, unsigned{time.wMinute});
    return text;
}

std::string FormatNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatTime(now);
}
