// Pictures to and from the clipboard.
#include "BitmapFixtures.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int DisplayBitDepth() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

void PutTextOnClipboard(const char* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const size_t size = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), text, size);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_TEXT, memory) == nullptr) GlobalFree(memory);
    CloseClipboard();
}

bool ClipboardHasText() {
    return IsClipboardFormatAvailable(CF_TEXT) != FALSE;
}

TEST(BitmapClipboard, APictureComesBackFromTheClipboardWithItsSizeAndColours) {
    新位图操作类 original;
    ASSERT_TRUE(original.Create(7, 5, 24));
    uint32_t state = 12;
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) ASSERT_TRUE(original.SetPixel(x, y, fixtures::RandomColour(state)));
    }
    const ByteString before = original.ToBmpBytes();
    ASSERT_TRUE(original.CopyToClipboard());
    EXPECT_EQ(original.ToBmpBytes(), before) << "the object keeps its own picture";
    const struct {
        int32_t requested, expected;
    } cases[] = {{0, DisplayBitDepth()}, {24, 24}, {32, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "LoadFromClipboard(" << c.requested << ")");
        新位图操作类 pasted;
        ASSERT_TRUE(pasted.LoadFromClipboard(c.requested));
        EXPECT_EQ(pasted.GetWidth(), 7);
        EXPECT_EQ(pasted.GetHeight(), 5);
        EXPECT_EQ(pasted.GetBitDepth(), c.expected);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(pasted.GetPixel(x, y), original.GetPixel(x, y)) << x << ", " << y;
        }
    }
}

TEST(BitmapClipboard, NoBitmapOnTheClipboardLoadsNothing) {
    PutTextOnClipboard("no picture here");
    ASSERT_TRUE(ClipboardHasText());
    新位图操作类 bitmap;
    ASSERT_TRUE(bitmap.Create(2, 2, 24));
    EXPECT_FALSE(bitmap.LoadFromClipboard());
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_EQ(bitmap.ToBmpBytes().size(), 14u);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    ASSERT_TRUE(bitmap.Create(2, 2, 24));
    EXPECT_FALSE(bitmap.LoadFromClipboard(24));
    EXPECT_EQ(bitmap.GetWidth(), 0);
}

TEST(BitmapClipboard, AnEmptyObjectLeavesTheClipboardAlone) {
    PutTextOnClipboard("keep me");
    新位图操作类 empty;
    // Any emptying or placing shows in the sequence number; the system may drop text it holds
    // for a window-less owner later on its own, so its presence alone proves nothing.
    const DWORD before = GetClipboardSequenceNumber();
    EXPECT_FALSE(empty.CopyToClipboard());
    EXPECT_EQ(GetClipboardSequenceNumber(), before);
}

}  // namespace
