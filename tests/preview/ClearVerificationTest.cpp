#include "PreviewFixture.h"

#include "verify/ClearVerification.h"

namespace {
using namespace previewtest;

struct CellState {
    std::string text;
    COLORREF color;
    bool operator==(const CellState& other) const { return text == other.text && color == other.color; }
};

class ClearTest : public PreviewTest {
protected:
    std::vector<std::vector<CellState>> Cells() {
        std::vector<std::vector<CellState>> rows;
        for (int row = 1; row < Grid().RowCount(); ++row) {
            std::vector<CellState> cells;
            for (int column = 0; column < 8; ++column)
                cells.push_back({Grid().CellText(row, column), Grid().Model()->CellTextColor(row, column)});
            rows.push_back(cells);
        }
        return rows;
    }
};

TEST_F(ClearTest, ClearingEmptiesTheResultsKeepsTimesAndColoursAndANewRunFillsEveryRow) {
    TempFolder folder("clear");
    folder.File("x.txt", "not a picture");
    Copy(folder, "verify-640x480.jpg", "big.jpg");
    Copy(folder, "verify-500x500.png", "ok.png");
    Scan(folder);
    Verify();
    const auto verified = Cells();
    ASSERT_EQ(verified.size(), 3u);
    ASSERT_EQ(verified[RowOf("x.txt") - 1][6].color, kRed) << "a failure's reason is red";
    ASSERT_EQ(CountPendingRecords(*Grid().Model()), 0);

    Click(按钮_清除验证);
    const auto cleared = Cells();
    for (size_t row = 0; row < cleared.size(); ++row) {
        SCOPED_TRACE(row + 1);
        for (int column = 0; column < 8; ++column) {
            const bool emptied = column >= 3 && column <= 6;
            EXPECT_EQ(cleared[row][column].text, emptied ? "" : verified[row][column].text) << column;
            EXPECT_EQ(cleared[row][column].color, verified[row][column].color) << column;
        }
        EXPECT_FALSE(cleared[row][7].text.empty()) << "验证时间 stays";
    }
    EXPECT_EQ(CountPendingRecords(*Grid().Model()), 3) << "every row is pending again";
    EXPECT_TRUE(messages.empty());

    Verify();
    const auto again = Cells();
    for (size_t row = 0; row < again.size(); ++row) {
        SCOPED_TRACE(row + 1);
        EXPECT_EQ(again[row][3].text, "已完成");
        for (int column = 4; column <= 6; ++column) EXPECT_EQ(again[row][column], verified[row][column]) << column;
    }
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：1 失败：2");
}

TEST_F(ClearTest, ClearingAGridWithoutDataRowsDoesNothing) {
    Click(按钮_清除验证);
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_EQ(Grid().CellText(0, 3), "状态") << "the header stays";
}

// A press of "清除验证" while a run hands out rows: a timer of the window thread presses it from
// inside the run's message pumping and notes what the press left.
class ClearDuringRunTest : public ClearTest {
protected:
    static void CALLBACK PressDuringRun(HWND, UINT, UINT_PTR timer, DWORD) {
        ClearDuringRunTest* self = active_;
        if (self == nullptr || self->pressed_) return;
        const int last = self->Grid().RowCount() - 1;
        if (!VerificationRunning(*self->window) || self->Grid().CellText(last, 3).empty()) return;  // nothing handed out yet
        KillTimer(nullptr, timer);
        self->pressed_ = true;
        self->before_ = self->Grid().CellText(last, 3);
        SendMessageA(self->C(按钮_清除验证), BM_CLICK, 0, 0);
        self->after_ = self->Grid().CellText(last, 3);
    }
    static inline ClearDuringRunTest* active_ = nullptr;
    bool pressed_ = false;
    std::string before_, after_;
};

TEST_F(ClearDuringRunTest, APressDuringARunIsIgnored) {
    TempFolder folder("running");
    for (int i = 0; i < 40; ++i) folder.File("f" + std::to_string(i) + ".txt", "text");
    Scan(folder);
    active_ = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, &PressDuringRun);
    Verify();
    KillTimer(nullptr, timer);
    active_ = nullptr;
    ASSERT_TRUE(pressed_) << "the press came during the run";
    EXPECT_FALSE(before_.empty());
    // A worker may finish the row meanwhile ("正在执行" to "已完成"); a clear would have emptied it.
    EXPECT_FALSE(after_.empty()) << "the handed-out row kept its mark";
    for (int row = 1; row < Grid().RowCount(); ++row) EXPECT_EQ(Grid().CellText(row, 3), "已完成") << row;
    EXPECT_EQ(TextOf(C(标签_验证结果)), "验证结果：成功：0 失败：40");

    Click(按钮_清除验证);  // after the run it works again
    EXPECT_EQ(CountPendingRecords(*Grid().Model()), 40);
}

}  // namespace
