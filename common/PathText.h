#pragma once
#include <windows.h>

#include <string>

// Paths are GBK text, where the second byte of a double-byte character may be 0x5C, the
// backslash: a byte-wise search would split "淺" and take its tail for a separator.

// Byte offset just past the last "\" of the text; 0 when there is none.
inline size_t AfterLastBackslash(const std::string& text) {
    size_t after = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsDBCSLeadByteEx(936, static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == '\\') {
            after = i + 1;
        }
    }
    return after;
}

// Whether the text's last character is a backslash.
inline bool EndsWithBackslash(const std::string& text) {
    return !text.empty() && AfterLastBackslash(text) == text.size();
}
