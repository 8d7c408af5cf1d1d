#include "common/NumberText.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadNumber, ReadsAsAtoiAfterFullWidthBecomesAscii) {
    struct Case {
        const char* text;
        int want;
    };
    const Case cases[] = {
        {"", 0},
        {"0", 0},
        {"12", 12},
        {"  42abc", 42},
        {"-7", -7},
        {"+8", 8},
        {"abc", 0},
        {"\xA3\xB1\xA3\xB2", 12},            // １２
        {"\xA3\xAD\xA3\xB3", -3},            // －３
        {"\xA1\xA1\xA3\xB5" "0", 50},        // ideographic space, ５, 0
        {"1\xA3\xB2" "3", 123},              // mixed half and full width
        {"\xD6\xD0" "5", 0},                 // a Chinese character first
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadNumber(c.text), c.want) << c.text;
}

}  // namespace
