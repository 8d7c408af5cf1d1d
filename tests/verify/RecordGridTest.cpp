#include "verify/RecordGrid.h"

#include "../support/WindowTestSupport.h"

#include <atomic>
#include <thread>

namespace {

class RecordGridTest : public testsupport::MainWindowTest {
protected:
    RecordGrid& Grid() { return *RecordGrid::FromWindow(C(高级表格1)); }
    // Client point at the middle of a cell, from the grid's own widths and row height.
    POINT CellCentre(int row, int column) {
        int x = 0;
        for (int c = 0; c < column; ++c) x += Grid().ColumnWidth(c);
        const int y = row == 0 ? 0 : (1 + row - Grid().FirstVisibleRow()) * Grid().RowHeight();
        return {x + Grid().ColumnWidth(column) / 2, y + Grid().RowHeight() / 2};
    }
    void Press(UINT message, POINT at) {
        SendMessageA(C(高级表格1), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(at.x, at.y));
        testsupport::Pump();
    }
    void AddRows(int count) {
        for (int i = 0; i < count; ++i) {
            const int row = Grid().AppendRow();
            Grid().SetCellText(row, 0, std::to_string(row));
        }
    }
};

TEST_F(RecordGridTest, StartsWithEightHeadedColumnsAndNoDataRow) {
    struct Column {
        const char* header;
        int width;
        CellAlign align;
    };
    const Column columns[] = {{"编号", 40, CellAlign::Left},    {"文件路径", 300, CellAlign::Left},
                              {"文件名", 90, CellAlign::Left},  {"状态", 60, CellAlign::Center},
                              {"分辨率", 80, CellAlign::Center}, {"结果", 50, CellAlign::Center},
                              {"失败原因", 120, CellAlign::Left}, {"验证时间", 120, CellAlign::Left}};
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_EQ(Grid().Model()->ColumnCount(), 8);
    EXPECT_EQ(Grid().RowHeight(), 20);
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Grid().CellText(0, c), columns[c].header);
        EXPECT_EQ(Grid().ColumnWidth(c), columns[c].width);
        EXPECT_EQ(Grid().Model()->CellAlignment(0, c), columns[c].align);
    }
    EXPECT_LT(Grid().CurrentRow(), 1);
}

TEST_F(RecordGridTest, CellTextsColoursAndAlignmentsByRowAndColumn) {
    AddRows(3);
    ASSERT_EQ(Grid().RowCount(), 4);
    Grid().SetCellText(2, 6, "分辨率过高");
    Grid().SetTextColor(2, 6, 3, 6, RGB(255, 0, 0));
    Grid().SetAlignment(1, 4, 3, 5, CellAlign::Right);

    struct Case {
        int row, column;
        const char* text;
        COLORREF color;
        CellAlign align;
    };
    const Case cases[] = {
        {2, 6, "分辨率过高", RGB(255, 0, 0), CellAlign::Left},
        {3, 6, "", RGB(255, 0, 0), CellAlign::Left},
        {1, 6, "", RGB(0, 0, 0), CellAlign::Left},
        {1, 4, "", RGB(0, 0, 0), CellAlign::Right},
        {3, 5, "", RGB(0, 0, 0), CellAlign::Right},
        {3, 0, "3", RGB(0, 0, 0), CellAlign::Left},
        {9, 0, "", RGB(0, 0, 0), CellAlign::Left},   // past the last row
        {1, 8, "", RGB(0, 0, 0), CellAlign::Left},   // past the last column
        {-1, 0, "", RGB(0, 0, 0), CellAlign::Left},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        EXPECT_EQ(Grid().CellText(c.row, c.column), c.text);
        EXPECT_EQ(Grid().Model()->CellTextColor(c.row, c.column), c.color);
        EXPECT_EQ(Grid().Model()->CellAlignment(c.row, c.column), c.align);
    }
    EXPECT_FALSE(Grid().Model()->SetCellText(4, 0, "x")) << "no row 4";

    Grid().SetRowCount(1);
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_EQ(Grid().CellText(0, 6), "失败原因") << "the header row stays";
    EXPECT_EQ(Grid().AppendRow(), 1);
    EXPECT_EQ(Grid().CellText(1, 6), "") << "a new row starts empty";
    EXPECT_EQ(Grid().Model()->CellTextColor(1, 6), RGB(0, 0, 0));
}

TEST_F(RecordGridTest, ColouredTextIsPaintedInItsColour) {
    AddRows(2);
    Grid().SetCellText(2, 6, "非图片文件，或者图片不存在");
    Grid().SetTextColor(2, 6, 2, 6, RGB(255, 0, 0));
    UpdateWindow(C(高级表格1));
    HDC dc = GetDC(C(高级表格1));
    const POINT centre = CellCentre(2, 6);
    int red = 0;
    for (int y = centre.y - 8; y <= centre.y + 8; ++y)
        for (int x = centre.x - 55; x <= centre.x + 55; ++x) red += GetPixel(dc, x, y) == RGB(255, 0, 0);
    ReleaseDC(C(高级表格1), dc);
    EXPECT_GT(red, 10);
}

TEST_F(RecordGridTest, ClicksMoveTheCurrentCellAndRaiseTheEvents) {
    AddRows(5);
    int changed = 0, rightPresses = 0;
    POINT rightAt = {};
    // The events reach the window as the grid's notifications.
    window->SetNotifyHandler(高级表格1, [&](const NMHDR& header) -> LRESULT {
        EXPECT_EQ(header.hwndFrom, C(高级表格1));
        if (header.code == kGridCurrentCellChanged) ++changed;
        if (header.code == kGridRightButtonPressed) {
            ++rightPresses;
            rightAt = reinterpret_cast<const GridButtonNotification&>(header).screenPoint;
        }
        return 0;
    });

    Press(WM_LBUTTONDOWN, CellCentre(3, 2));
    EXPECT_EQ(Grid().CurrentRow(), 3);
    EXPECT_EQ(Grid().CurrentColumn(), 2);
    EXPECT_EQ(changed, 1);

    Press(WM_LBUTTONDOWN, CellCentre(3, 2));
    EXPECT_EQ(changed, 1) << "the same cell again is no change";
    Press(WM_LBUTTONDOWN, CellCentre(0, 4));
    EXPECT_EQ(Grid().CurrentRow(), 3) << "the header row takes no focus";
    Press(WM_LBUTTONDOWN, CellCentre(2, 0));
    EXPECT_EQ(Grid().CurrentRow(), 3) << "nor does the fixed column";
    EXPECT_EQ(changed, 1);

    SendMessageA(C(高级表格1), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Grid().CurrentRow(), 4);
    EXPECT_EQ(changed, 2);

    const POINT at = CellCentre(1, 1);
    Press(WM_RBUTTONDOWN, at);
    EXPECT_EQ(rightPresses, 1);
    POINT screen = at;
    ClientToScreen(C(高级表格1), &screen);
    EXPECT_EQ(rightAt.x, screen.x);
    EXPECT_EQ(rightAt.y, screen.y);
}

TEST_F(RecordGridTest, AHundredThousandRowsFillLinearlyAndStayQuick) {
    constexpr int kRows = 100000;
    const int64_t start = GetTickCount64();
    int64_t firstTenth = 0, lastTenth = 0, mark = start;
    for (int i = 1; i <= kRows; ++i) {
        const int row = Grid().AppendRow();
        Grid().SetCellText(row, 0, std::to_string(row));
        Grid().SetCellText(row, 1, "C:\\pictures\\photo_" + std::to_string(row) + ".jpg");
        Grid().SetCellText(row, 2, "photo_" + std::to_string(row) + ".jpg");
        if (i == kRows / 10) firstTenth = GetTickCount64() - mark;
        if (i == kRows - kRows / 10) mark = GetTickCount64();
    }
    lastTenth = GetTickCount64() - mark;
    testsupport::Pump();
    ASSERT_EQ(Grid().RowCount(), kRows + 1);
    // The last rows cost what the first did (a 50 ms floor absorbs timer granularity and noise).
    EXPECT_LE(lastTenth, std::max<int64_t>(firstTenth * 3, 50)) << "first " << firstTenth << " ms, last " << lastTenth;

    // Scrolling to the end and painting touches only the rows in view.
    const int64_t paintStart = GetTickCount64();
    for (int i = 0; i < 20; ++i) {
        SendMessageA(C(高级表格1), WM_VSCROLL, i % 2 ? SB_TOP : SB_BOTTOM, 0);
        InvalidateRect(C(高级表格1), nullptr, FALSE);
        UpdateWindow(C(高级表格1));
    }
    EXPECT_LT(GetTickCount64() - paintStart, 2000u) << "20 scrolls and repaints";
    SendMessageA(C(高级表格1), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_GT(Grid().FirstVisibleRow(), kRows - 40);
    EXPECT_EQ(Grid().CellText(kRows, 2), "photo_100000.jpg");
    EXPECT_EQ(Grid().CellText(54321, 0), "54321");
}

// A run writes thousands of rows out of sight: each write must cost a repaint only of its own row,
// and only while that row is in view.
TEST_F(RecordGridTest, AWriteInvalidatesOnlyItsRowAndNothingOutOfView) {
    const HWND grid = C(高级表格1);
    AddRows(300);
    for (int i = 0; i < 2; ++i) {
        UpdateWindow(grid);
        testsupport::Pump();
    }
    RECT update;
    ASSERT_FALSE(GetUpdateRect(grid, &update, FALSE));
    const int height = Grid().RowHeight();
    // Delivers the posted repaint request without letting WM_PAINT take the update region.
    auto deliverRequest = [grid] {
        MSG message;
        while (PeekMessageA(&message, grid, RecordGrid::kRepaintMessage, RecordGrid::kRepaintMessage, PM_REMOVE))
            DispatchMessageA(&message);
    };
    struct Case {
        const char* what;
        bool fromWorker;
        int row;
    } cases[] = {{"window thread, row in view", false, 3}, {"window thread, row out of view", false, 250},
                 {"worker, row in view", true, 2},         {"worker, row out of view", true, 260}};
    for (const Case& c : cases) {
        if (c.fromWorker) {
            std::thread([&] { Grid().Model()->SetCellText(c.row, 3, "已完成"); }).join();
            deliverRequest();
        } else {
            Grid().SetCellText(c.row, 3, "已完成");
        }
        const bool invalid = GetUpdateRect(grid, &update, FALSE);
        if (c.row < 100) {
            ASSERT_TRUE(invalid) << c.what;
            const int top = (1 + c.row - Grid().FirstVisibleRow()) * height;
            EXPECT_EQ(update.top, top) << c.what;
            EXPECT_EQ(update.bottom, top + height) << c.what;
            UpdateWindow(grid);
            HDC dc = GetDC(grid);
            const POINT centre = CellCentre(c.row, 3);
            int dark = 0;
            for (int y = centre.y - 8; y <= centre.y + 8; ++y)
                for (int x = centre.x - 25; x <= centre.x + 25; ++x) dark += GetRValue(GetPixel(dc, x, y)) < 128;
            ReleaseDC(grid, dc);
            EXPECT_GT(dark, 10) << c.what << ": the row's new text is painted";
        } else {
            EXPECT_FALSE(invalid) << c.what << ": nothing in view changed";
        }
    }
    EXPECT_EQ(Grid().CellText(250, 3), "已完成");
    Grid().EnsureVisible(250);
    EXPECT_TRUE(GetUpdateRect(grid, &update, FALSE)) << "scrolling to the row repaints it";
}

TEST_F(RecordGridTest, WorkersWriteOtherRowsWhileTheWindowPaints) {
    constexpr int kThreads = 4, kRowsEach = 50, kPasses = 60;
    AddRows(kThreads * kRowsEach);
    std::atomic<bool> go{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            while (!go) Sleep(0);
            for (int pass = 0; pass < kPasses; ++pass)
                for (int r = 1 + t * kRowsEach; r <= (t + 1) * kRowsEach; ++r) {
                    Grid().Model()->SetCellText(r, 3, pass + 1 == kPasses ? "已完成" : "正在执行");
                    Grid().Model()->SetTextColor(r, 6, r, 6, pass % 2 ? RGB(255, 0, 0) : RGB(0, 0, 0));
                }
        });
    }
    go = true;
    for (int i = 0; i < 60; ++i) {
        SendMessageA(C(高级表格1), WM_VSCROLL, SB_LINEDOWN, 0);
        InvalidateRect(C(高级表格1), nullptr, FALSE);
        UpdateWindow(C(高级表格1));
        testsupport::Pump();
    }
    for (std::thread& worker : workers) worker.join();
    testsupport::Pump();
    for (int r = 1; r <= kThreads * kRowsEach; ++r) {
        ASSERT_EQ(Grid().CellText(r, 3), "已完成") << r;
        ASSERT_EQ(Grid().Model()->CellTextColor(r, 6), RGB(255, 0, 0)) << r;
    }
}

}  // namespace
