#include "common/NumberText.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace {
// Full-width forms (U+FF01..U+FF5E) and the ideographic space become ASCII.
std::string ToHalfWidth(const std::string& gbkText) {
    if (gbkText.empty()) return gbkText;
    const int units = MultiByteToWideChar(936, 0, gbkText.data(), static_cast<int>(gbkText.size()), nullptr, 0);
    if (units <= 0) return gbkText;
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(936, 0, gbkText.data(), static_cast<int>(gbkText.size()), &wide[0], units);
    for (wchar_t& c : wide) {
        if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<wchar_t>(c - 0xFEE0);
        else if (c == 0x3000) c = L' ';
    }
    const int bytes = WideCharToMultiByte(936, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(936, 0, wide.data(), units, &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}
}  // namespace

int ReadNumber(const std::string& gbkText) {
    const std::string text = ToHalfWidth(gbkText);
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
