#include "imaging/GifColourTable.h"

#include <cstring>

namespace {
constexpr size_t kScreenEnd = 13;  // signature 6, screen width 2, height 2, flags, background, aspect
constexpr size_t kFlags = 10;
constexpr unsigned char kTableFlag = 0x80, kTableSizeBits = 0x07;  // 2^(7+1) = 256 entries
}  // namespace

bool GifLacksGlobalColourTable(const std::string& bytes) {
    if (bytes.size() < kScreenEnd) return false;
    if (std::memcmp(bytes.data(), "GIF87a", 6) != 0 && std::memcmp(bytes.data(), "GIF89a", 6) != 0) return false;
    return (static_cast<unsigned char>(bytes[kFlags]) & kTableFlag) == 0;
}

std::string WithGlobalColourTable(const std::string& bytes) {
    if (!GifLacksGlobalColourTable(bytes)) return bytes;
    std::string table(256 * 3, '\0');
    for (size_t i = 0; i < 256; ++i) table[3 * i] = table[3 * i + 1] = table[3 * i + 2] = static_cast<char>(i);
    std::string patched = bytes.substr(0, kScreenEnd) + table + bytes.substr(kScreenEnd);
    patched[kFlags] = static_cast<char>(static_cast<unsigned char>(patched[kFlags]) | kTableFlag | kTableSizeBits);
    return patched;
}
