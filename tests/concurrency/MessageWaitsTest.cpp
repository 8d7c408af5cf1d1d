#include "concurrency/MessageWaits.h"
#include "concurrency/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr UINT kProbe = WM_APP + 1;

// A message-only window that notes when each probe message was dispatched.
class ProbeWindow {
public:
    ProbeWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuillmereWaitProbe";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        dispatched = 0;
        firstDispatchMs = -1;
        dispatchedAtPump = 0;
    }
    ~ProbeWindow() { DestroyWindow(hwnd); }
    // Posts a probe from another thread after delayMs.
    std::thread PostLater(int delayMs) {
        HWND target = hwnd;
        return std::thread([=] {
            Sleep(delayMs);
            PostMessageA(target, kProbe, 0, 0);
        });
    }
    HWND hwnd;
    static std::atomic<int> dispatched;
    static std::atomic<int64_t> firstDispatchMs;
    static std::atomic<uint64_t> dispatchedAtPump;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kProbe) {
            if (dispatched++ == 0) {
                firstDispatchMs = NowMs();
                dispatchedAtPump = PumpMessagesCalls();
            }
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};
std::atomic<int> ProbeWindow::dispatched{0};
std::atomic<int64_t> ProbeWindow::firstDispatchMs{-1};
std::atomic<uint64_t> ProbeWindow::dispatchedAtPump{0};

void DrainQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// The pacing is checked by counting the pumps; elapsed time only has to be at least what was
// asked, with a bound a loaded machine keeps.
TEST(SleepPumping, SleepsInFifteenMillisecondSlicesPumpingAfterEach) {
    struct Case {
        int ms;
        uint64_t pumps;
    };
    for (Case c : {Case{0, 1}, Case{14, 1}, Case{15, 1}, Case{40, 3}, Case{200, 14}}) {
        SCOPED_TRACE(c.ms);
        ProbeWindow window;
        PostMessageA(window.hwnd, kProbe, 0, 0);
        const uint64_t pumpsBefore = PumpMessagesCalls();
        const int64_t start = NowMs();
        SleepPumping(c.ms);
        const int64_t elapsed = NowMs() - start;
        EXPECT_EQ(PumpMessagesCalls() - pumpsBefore, c.pumps);
        EXPECT_GE(elapsed, c.ms - 2);
        EXPECT_LT(elapsed, c.ms + 2000);
        EXPECT_EQ(ProbeWindow::dispatched.load(), 1) << "a pending message is dispatched";
        EXPECT_EQ(ProbeWindow::dispatchedAtPump.load() - pumpsBefore, 1u) << "at the first pump, not at the end";
        DrainQueue();
    }
}

TEST(PumpMessages, DispatchesWaitingMessagesAndLeavesQuitQueued) {
    ProbeWindow window;
    PostMessageA(window.hwnd, kProbe, 0, 0);
    PostMessageA(window.hwnd, kProbe, 0, 0);
    PostQuitMessage(7);
    PumpMessages();
    EXPECT_EQ(ProbeWindow::dispatched.load(), 2);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);

    // With WM_QUIT at the head nothing is dispatched and it stays.
    PostQuitMessage(3);
    PumpMessages();
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);
}

TEST(TimedMessageWait, WaitsTheAskedTimeInEveryUnitAndDispatchesMeanwhile) {
    struct Case {
        int amount;
        int64_t unit;
        int expectMs;
    };
    const Case cases[] = {{5, kMilliseconds, 5}, {300, kMilliseconds, 300}, {1, kSeconds, 1000}, {2, 250, 500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.amount << " x unit " << c.unit);
        ProbeWindow window;
        std::thread poster = window.PostLater(c.expectMs >= 1000 ? 20 : 0);
        if (c.expectMs < 1000) poster.join();
        const int64_t start = NowMs();
        EXPECT_TRUE(TimedMessageWait(c.amount, c.unit));
        const int64_t elapsed = NowMs() - start;
        if (poster.joinable()) poster.join();
        EXPECT_GE(elapsed, c.expectMs - 2);
        EXPECT_LT(elapsed, c.expectMs + 2000);
        if (c.expectMs >= 1000) {
            EXPECT_EQ(ProbeWindow::dispatched.load(), 1);
            EXPECT_LT(ProbeWindow::firstDispatchMs.load() - start, elapsed) << "dispatched during the wait";
        }
        DrainQueue();
    }
}

TEST(TimedMessageWait, ZeroAndNegativeAmountsReturnAtOnce) {
    for (int amount : {0, -5}) {
        const int64_t start = NowMs();
        EXPECT_TRUE(TimedMessageWait(amount));
        EXPECT_LT(NowMs() - start, 1000);
    }
}

}  // namespace
