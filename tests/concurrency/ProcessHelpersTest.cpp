#include "concurrency/CriticalLock.h"
#include "concurrency/ProcessHelper.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(ProcessHelper, ToUtf16ConvertsCodePageTextWithItsTerminator) {
    ProcessHelper helper;
    struct Case {
        const char* text;
        UINT codePage;
        std::string want;
    };
    const Case cases[] = {
        {"", 936, std::string(2, '\0')},
        {"A", 936, std::string("A\0\0\0", 4)},
        {"\xD6\xD0", 936, std::string("\x2D\x4E\0\0", 4)},  // 中 in GBK
        {"\xE4\xB8\xAD", CP_UTF8, std::string("\x2D\x4E\0\0", 4)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(helper.ToUtf16(c.text, c.codePage), c.want) << c.text;
    }
    EXPECT_TRUE(helper.ToUtf16(nullptr).empty());
}

TEST(ProcessHelper, SetCueBannerReachesTheEditControl) {
    ProcessHelper helper;
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    helper.SetCueBanner("请输入", edit);
    wchar_t banner[16] = {};
    SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(banner), 16);
    EXPECT_STREQ(banner, L"\u8BF7\u8F93\u5165");
    DestroyWindow(edit);
}

TEST(CriticalLock, ReentrantForItsOwnerAndRefusedToOthers) {
    CriticalLock lock;
    lock.Enter();
    EXPECT_TRUE(lock.TryEnter()) << "the owner may enter again";
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = lock.TryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
    lock.Leave();
    lock.Leave();
    std::thread([&] {
        otherGotIt = lock.TryEnter();
        if (otherGotIt) lock.Leave();
    }).join();
    EXPECT_TRUE(otherGotIt);
}

}  // namespace
