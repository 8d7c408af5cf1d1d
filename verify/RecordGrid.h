#pragma once
#include <windows.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The record grid of the page "校验图片": a text grid whose cells are addressed by row and
// column, row 0 and column 0 being the fixed header row and column.
//
// Threads: the grid window and its structure (row and column counts, widths, display settings,
// the current cell, the events) belong to the window thread. Cell texts, colours and alignments
// may be read and written from any thread: the model guards them with a reader/writer lock of its
// own, held only while a cell is copied, never while waiting for anything else. A write from
// another thread asks the window, by a posted message, to repaint; it never waits for it.

enum class CellAlign : uint8_t { Left, Center, Right };

// The grid's events reach its parent as WM_NOTIFY with the grid's control id, as a stock
// control's do, so that they run where every other handler of the window runs.
enum RecordGridNotification : UINT {
    kGridCurrentCellChanged = 0x5101,  // an NMHDR
    kGridRightButtonPressed = 0x5102,  // a GridButtonNotification
};
struct GridButtonNotification {
    NMHDR header;
    POINT screenPoint;
};

class GridModel {
public:
    int RowCount() const;
    int ColumnCount() const;
    void SetColumnCount(int columns);
    void SetRowCount(int rows);
    int AppendRow();  // the new row's index

    bool SetCellText(int row, int column, const std::string& text);
    std::string CellText(int row, int column) const;
    void SetTextColor(int row1, int column1, int row2, int column2, COLORREF color);
    COLORREF CellTextColor(int row, int column) const;
    void SetAlignment(int row1, int column1, int row2, int column2, CellAlign align);
    CellAlign CellAlignment(int row, int column) const;
    void SetDefaultTextColor(COLORREF color);

    // A cell of each row, read under one hold of the lock: what painting needs for a row.
    struct CellView {
        std::string text;
        COLORREF color;
        CellAlign align;
    };
    void ReadRow(int row, std::vector<CellView>& out) const;

    // Keeps count of the data rows (row 1 on) whose cell in this column is empty, so that the
    // count costs nothing however many rows there are; -1 counts nothing.
    void CountEmptyCellsOf(int column);
    int EmptyCellCount() const;

    // The window to tell when another thread changed a cell (0 for none).
    void SetNotifyWindow(HWND window);

private:
    bool Clip(int& row1, int& column1, int& row2, int& column2) const;
    // Rows first to last need repainting; the lock must be held. Everything, for a change of shape.
    void MarkRows(int first, int last);
    void MarkAll() { MarkRows(0, INT_MAX); }
    // Tells the window of the rows marked since it last repainted them.
    void Changed();
    // The rows marked since the last call (first > last for none), unmarked.
    void TakeMarkedRows(int& first, int& last);

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    int rows_ = 0;
    int columns_ = 0;
    COLORREF defaultColor_ = 0;
    std::vector<std::string> texts_;  // row-major, rows_ × columns_
    std::vector<COLORREF> colors_;
    std::vector<CellAlign> aligns_;
    int countedColumn_ = -1;
    int emptyCount_ = 0;
    void RecountEmpty();
    int markedFirst_ = INT_MAX;  // rows changed since the window last looked, guarded by lock_
    int markedLast_ = -1;
    volatile HWND notify_ = nullptr;
    volatile LONG repaintPosted_ = 0;
    class RecordGrid* view_ = nullptr;  // window thread
    bool invalidated_ = false;  // window thread: a repaint of the whole grid is already due
    DWORD ownerThread_ = GetCurrentThreadId();
    friend class RecordGrid;
};

class RecordGrid {
public:
    static constexpr UINT kRepaintMessage = WM_APP + 0x51;

    // The grid behind a window of kRecordGridClass.
    static RecordGrid* FromWindow(HWND hwnd);
    HWND Handle() const { return hwnd_; }

    // The model outlives the window for whoever still holds it (a run cut short by the close).
    const std::shared_ptr<GridModel>& Model() const { return model_; }
    int RowCount() const { return model_->RowCount(); }
    void SetColumnCount(int columns);
    void SetRowCount(int rows);
    int AppendRow();
    void SetCellText(int row, int column, const std::string& text) { model_->SetCellText(row, column, text); }
    std::string CellText(int row, int column) const { return model_->CellText(row, column); }
    void SetTextColor(int row1, int column1, int row2, int column2, COLORREF color);
    void SetAlignment(int row1, int column1, int row2, int column2, CellAlign align);
    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;

    // Row of the focused cell; below 1 when no data cell has the focus.
    int CurrentRow() const { return currentRow_; }
    int CurrentColumn() const { return currentColumn_; }
    // Moves the focus to a data cell as a click would, raising kGridCurrentCellChanged when it
    // changed.
    void SetCurrentCell(int row, int column);


    void SetGridLineColor(COLORREF color);
    void SetBackgroundColor(COLORREF color);
    void SetDefaultTextColor(COLORREF color);
    void SetRowHeight(int height);
    void SetDefaultColumnWidth(int width);
    void SetFixedRows(int rows);
    void SetFixedColumns(int columns);
    int RowHeight() const { return rowHeight_; }
    int FirstVisibleRow() const { return topRow_; }
    // Scrolls so that the row lies in view.
    void EnsureVisible(int row);

    // The data cell at a client point, row and column; false for the fixed cells or outside.
    bool HitTest(POINT client, int& row, int& column) const;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend class GridModel;
    // Invalidates what of the model's marked rows is in view: a run writing rows out of sight
    // costs no repaint.
    void InvalidateMarkedRows();
    explicit RecordGrid(HWND hwnd);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnVScroll(int code);
    void OnHScroll(int code);
    void OnKeyDown(WPARAM key);
    void ScrollTo(int topRow, int leftPixel);
    void UpdateScrollBars();
    void ScrollBarsChanged();
    void Notify(NMHDR& header) const;
    int VisibleDataRows() const;
    int DataRowsTotal() const;
    int ColumnLeft(int column) const;  // in content pixels, before horizontal scrolling
    int TotalWidth() const;

    HWND hwnd_;
    std::shared_ptr<GridModel> model_ = std::make_shared<GridModel>();
    std::vector<int> widths_;
    int defaultWidth_ = 60;
    int rowHeight_ = 20;
    int fixedRows_ = 1;
    int fixedColumns_ = 1;
    COLORREF gridLineColor_ = 0xC0C0C0;
    COLORREF backgroundColor_ = 0xFFFFFF;
    int topRow_ = 1;        // first data row shown below the fixed rows
    int leftPixel_ = 0;     // horizontal scroll of the non-fixed columns
    int currentRow_ = 0;
    int currentColumn_ = 0;
    bool scrollBarsStale_ = false;  // brought up to date before the next paint
    HFONT font_ = nullptr;
};

extern const char kRecordGridClass[];
void RegisterRecordGridClass(HINSTANCE instance);
