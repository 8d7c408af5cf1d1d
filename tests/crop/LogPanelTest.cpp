#include "CropPageFixture.h"

#include "common/TimeText.h"
#include "crop/LogPanel.h"

#include <cctype>

namespace {
using croptest::CropPageTest;
using croptest::Pump;

class LogPanelTest : public CropPageTest {
protected:
    HWND Log() const { return C(列表框_日志); }
    int Lines() const { return static_cast<int>(SendMessageA(Log(), LB_GETCOUNT, 0, 0)); }
    std::string Line(int index) const {
        const LRESULT length = SendMessageA(Log(), LB_GETTEXTLEN, index, 0);
        if (length < 0) return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(Log(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        return text;
    }
    // Whether the line lies wholly inside the list box's client area.
    bool Shown(int index) const {
        RECT item, client;
        SendMessageA(Log(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        GetClientRect(Log(), &client);
        return item.top >= client.top && item.bottom <= client.bottom;
    }
};

TEST_F(LogPanelTest, EachLineIsAddedLastAndScrolledTo) {
    for (int i = 0; i < 30; ++i) {
        const std::string text = FormatNow() + " 修改图片成功 " + std::to_string(i);
        AppendLogLine(Log(), text);
        ASSERT_EQ(Lines(), i + 1);
        EXPECT_EQ(Line(i), text);
        EXPECT_EQ(SendMessageA(Log(), LB_GETITEMDATA, i, 0), 0);
        EXPECT_TRUE(Shown(i)) << "line " << i << " is in view";
    }
    EXPECT_GT(SendMessageA(Log(), LB_GETTOPINDEX, 0, 0), 0) << "the early lines scrolled away";
    EXPECT_FALSE(Shown(0));
    EXPECT_EQ(Line(0).substr(16), " 修改图片成功 0") << "lines keep their order, unsorted";

    ClearLog(Log());
    EXPECT_EQ(Lines(), 0);
}

TEST_F(LogPanelTest, AWorkersLineArrivesThroughTheWindowThread) {
    const HWND log = Log();
    ASSERT_TRUE(testsupport::RunWorkerWhilePumping([log] { AppendLogLine(log, "from a worker"); }));
    ASSERT_EQ(Lines(), 1);
    EXPECT_EQ(Line(0), "from a worker");
}

TEST(FormatTime, YearInFullThenTwoDigitsEachWithoutSeconds) {
    struct Case {
        WORD year, month, day, hour, minute, second;
        const char* want;
    };
    const Case cases[] = {
        {2024, 3, 7, 9, 5, 59, "2024-03-07 09:05"},
        {1999, 12, 31, 23, 59, 0, "1999-12-31 23:59"},
        {2030, 1, 1, 0, 0, 30, "2030-01-01 00:00"},
        {987, 10, 10, 10, 10, 10, "987-10-10 10:10"},
    };
    for (const Case& c : cases) {
        SYSTEMTIME time = {};
        time.wYear = c.year;
        time.wMonth = c.month;
        time.wDay = c.day;
        time.wHour = c.hour;
        time.wMinute = c.minute;
        time.wSecond = c.second;
        EXPECT_EQ(FormatTime(time), c.want);
    }
}

TEST(FormatTime, NowIsTheLocalTimeInThatForm) {
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    const std::string now = FormatNow();
    GetLocalTime(&after);
    // A minute may turn between the reads.
    EXPECT_TRUE(now == FormatTime(before) || now == FormatTime(after)) << now;
    ASSERT_EQ(now.size(), 16u);
    for (size_t i = 0; i < now.size(); ++i) {
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 ? ':' : '#';
        if (want == '#') EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(now[i]))) << now;
        else EXPECT_EQ(now[i], want) << now;
    }
}

}  // namespace
