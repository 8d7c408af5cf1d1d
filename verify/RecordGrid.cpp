#include "verify/RecordGrid.h"

#include <windowsx.h>

#include <algorithm>

const char kRecordGridClass[] = "QuillmereRecordGrid";

namespace {
class SharedHold {
public:
    explicit SharedHold(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~SharedHold() { ReleaseSRWLockShared(&lock_); }
    SharedHold(const SharedHold&) = delete;
    SharedHold& operator=(const SharedHold&) = delete;

private:
    SRWLOCK& lock_;
};
class ExclusiveHold {
public:
    explicit ExclusiveHold(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveHold() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveHold(const ExclusiveHold&) = delete;
    ExclusiveHold& operator=(const ExclusiveHold&) = delete;

private:
    SRWLOCK& lock_;
};
}  // namespace

// ---- model ----

int GridModel::RowCount() const {
    SharedHold hold(lock_);
    return rows_;
}

int GridModel::ColumnCount() const {
    SharedHold hold(lock_);
    return columns_;
}

void GridModel::SetColumnCount(int columns) {
    {
        ExclusiveHold hold(lock_);
        columns = std::max(columns, 0);
        if (columns == columns_) return;
        std::vector<std::string> texts(static_cast<size_t>(rows_) * columns);
        std::vector<COLORREF> colors(texts.size(), defaultColor_);
        std::vector<CellAlign> aligns(texts.size(), CellAlign::Left);
        const int kept = std::min(columns, columns_);
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < kept; ++c) {
                const size_t from = static_cast<size_t>(r) * columns_ + c, to = static_cast<size_t>(r) * columns + c;
                texts[to] = std::move(texts_[from]);
                colors[to] = colors_[from];
                aligns[to] = aligns_[from];
            }
        }
        texts_.swap(texts);
        colors_.swap(colors);
        aligns_.swap(aligns);
        columns_ = columns;
        RecountEmpty();
        MarkAll();
    }
    Changed();
}

void GridModel::SetRowCount(int rows) {
    {
        ExclusiveHold hold(lock_);
        const int oldRows = rows_;
        rows_ = std::max(rows, 0);
        const size_t cells = static_cast<size_t>(rows_) * columns_;
        texts_.resize(cells);
        colors_.resize(cells, defaultColor_);
        aligns_.resize(cells, CellAlign::Left);
        if (rows_ <= 1) {
            // Dropping every data row gives their memory back too.
            texts_.shrink_to_fit();
            colors_.shrink_to_fit();
            aligns_.shrink_to_fit();
        }
        if (rows_ != oldRows) RecountEmpty();
        MarkAll();
    }
    Changed();
}

int GridModel::AppendRow() {
    int row;
    {
        ExclusiveHold hold(lock_);
        row = rows_++;
        const size_t cells = static_cast<size_t>(rows_) * columns_;
        texts_.resize(cells);
        colors_.resize(cells, defaultColor_);
        aligns_.resize(cells, CellAlign::Left);
        if (row >= 1 && countedColumn_ >= 0 && countedColumn_ < columns_) ++emptyCount_;
        MarkRows(row, row);
    }
    Changed();
    return row;
}

bool GridModel::SetCellText(int row, int column, const std::string& text) {
    {
        ExclusiveHold hold(lock_);
        if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return false;
        std::string& cell = texts_[static_cast<size_t>(row) * columns_ + column];
        if (column == countedColumn_ && row >= 1) emptyCount_ += static_cast<int>(text.empty()) - static_cast<int>(cell.empty());
        cell = text;
        MarkRows(row, row);
    }
    Changed();
    return true;
}

std::string GridModel::CellText(int row, int column) const {
    SharedHold hold(lock_);
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return std::string();
    return texts_[static_cast<size_t>(row) * columns_ + column];
}

bool GridModel::Clip(int& row1, int& column1, int& row2, int& column2) const {
    if (row1 > row2) std::swap(row1, row2);
    if (column1 > column2) std::swap(column1, column2);
    row1 = std::max(row1, 0);
    column1 = std::max(column1, 0);
    row2 = std::min(row2, rows_ - 1);
    column2 = std::min(column2, columns_ - 1);
    return row1 <= row2 && column1 <= column2;
}

void GridModel::SetTextColor(int row1, int column1, int row2, int column2, COLORREF color) {
    {
        ExclusiveHold hold(lock_);
        if (!Clip(row1, column1, row2, column2)) return;
        for (int r = row1; r <= row2; ++r)
            for (int c = column1; c <= column2; ++c) colors_[static_cast<size_t>(r) * columns_ + c] = color;
        MarkRows(row1, row2);
    }
    Changed();
}

COLORREF GridModel::CellTextColor(int row, int column) const {
    SharedHold hold(lock_);
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return defaultColor_;
    return colors_[static_cast<size_t>(row) * columns_ + column];
}

void GridModel::SetAlignment(int row1, int column1, int row2, int column2, CellAlign align) {
    {
        ExclusiveHold hold(lock_);
        if (!Clip(row1, column1, row2, column2)) return;
        for (int r = row1; r <= row2; ++r)
            for (int c = column1; c <= column2; ++c) aligns_[static_cast<size_t>(r) * columns_ + c] = align;
        MarkRows(row1, row2);
    }
    Changed();
}

CellAlign GridModel::CellAlignment(int row, int column) const {
    SharedHold hold(lock_);
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return CellAlign::Left;
    return aligns_[static_cast<size_t>(row) * columns_ + column];
}

void GridModel::SetDefaultTextColor(COLORREF color) {
    ExclusiveHold hold(lock_);
    // Cells keep the colour they were given; the default applies to cells made from now on and
    // to every cell still at the old default.
    for (COLORREF& c : colors_)
        if (c == defaultColor_) c = color;
    defaultColor_ = color;
}

void GridModel::ReadRow(int row, std::vector<CellView>& out) const {
    SharedHold hold(lock_);
    out.resize(static_cast<size_t>(columns_));
    if (row < 0 || row >= rows_) {
        for (CellView& cell : out) cell = {std::string(), defaultColor_, CellAlign::Left};
        return;
    }
    const size_t base = static_cast<size_t>(row) * columns_;
    for (int c = 0; c < columns_; ++c) {
        out[c].text = texts_[base + c];
        out[c].color = colors_[base + c];
        out[c].align = aligns_[base + c];
    }
}

void GridModel::SetNotifyWindow(HWND window) { notify_ = window; }

void GridModel::CountEmptyCellsOf(int column) {
    ExclusiveHold hold(lock_);
    countedColumn_ = column;
    RecountEmpty();
}

int GridModel::EmptyCellCount() const {
    SharedHold hold(lock_);
    return emptyCount_;
}

void GridModel::RecountEmpty() {
    emptyCount_ = 0;
    if (countedColumn_ < 0 || countedColumn_ >= columns_) return;
    for (int r = 1; r < rows_; ++r) emptyCount_ += texts_[static_cast<size_t>(r) * columns_ + countedColumn_].empty();
}

void GridModel::MarkRows(int first, int last) {
    markedFirst_ = std::min(markedFirst_, first);
    markedLast_ = std::max(markedLast_, last);
}

void GridModel::TakeMarkedRows(int& first, int& last) {
    ExclusiveHold hold(lock_);
    first = markedFirst_;
    last = markedLast_;
    markedFirst_ = INT_MAX;
    markedLast_ = -1;
}

void GridModel::Changed() {
    HWND window = notify_;
    if (window == nullptr) return;
    if (GetCurrentThreadId() == ownerThread_) {
        if (view_ != nullptr) view_->InvalidateMarkedRows();
    } else if (InterlockedExchange(&repaintPosted_, 1) == 0) {
        // One posted message covers every write until the window has repainted.
        if (!PostMessageA(window, RecordGrid::kRepaintMessage, 0, 0)) repaintPosted_ = 0;
    }
}

// ---- window ----

RecordGrid::RecordGrid(HWND hwnd) : hwnd_(hwnd) {
    model_->SetNotifyWindow(hwnd);
    model_->view_ = this;
    model_->ownerThread_ = GetCurrentThreadId();
}

void RecordGrid::InvalidateMarkedRows() {
    int first, last;
    model_->TakeMarkedRows(first, last);
    // One invalidation per paint: a scan writes thousands of cells between two paints.
    if (first > last || model_->invalidated_) return;
    if (first == 0 && last == INT_MAX) {
        model_->invalidated_ = true;
        InvalidateRect(hwnd_, nullptr, FALSE);
        return;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    const int headerHeight = fixedRows_ * rowHeight_;
    const int visible = (client.bottom - headerHeight) / rowHeight_ + 1;  // as painted
    int top = INT_MAX, bottom = INT_MIN;
    if (first < fixedRows_) {
        top = first * rowHeight_;
        bottom = (std::min(last, fixedRows_ - 1) + 1) * rowHeight_;
    }
    const int shownFirst = std::max(first, topRow_), shownLast = std::min(last, topRow_ + visible - 1);
    if (shownFirst <= shownLast) {
        top = std::min(top, headerHeight + (shownFirst - topRow_) * rowHeight_);
        bottom = std::max(bottom, headerHeight + (shownLast - topRow_ + 1) * rowHeight_);
    }
    if (top >= bottom) return;  // nothing of it in view
    const RECT rows = {0, top, client.right, bottom};
    InvalidateRect(hwnd_, &rows, FALSE);
}

RecordGrid* RecordGrid::FromWindow(HWND hwnd) {
    char name[64] = {};
    if (hwnd == nullptr || !GetClassNameA(hwnd, name, sizeof name) || lstrcmpA(name, kRecordGridClass) != 0)
        return nullptr;
    return reinterpret_cast<RecordGrid*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void RecordGrid::SetColumnCount(int columns) {
    model_->SetColumnCount(columns);
    widths_.resize(static_cast<size_t>(std::max(columns, 0)), defaultWidth_);
    ScrollBarsChanged();
}

void RecordGrid::SetRowCount(int rows) {
    model_->SetRowCount(rows);
    if (currentRow_ >= std::max(rows, 0)) currentRow_ = 0;
    if (topRow_ >= std::max(rows, fixedRows_ + 1)) topRow_ = fixedRows_;
    ScrollBarsChanged();
}

int RecordGrid::AppendRow() {
    const int row = model_->AppendRow();
    ScrollBarsChanged();
    return row;
}

void RecordGrid::SetTextColor(int row1, int column1, int row2, int column2, COLORREF color) {
    model_->SetTextColor(row1, column1, row2, column2, color);
}

void RecordGrid::SetAlignment(int row1, int column1, int row2, int column2, CellAlign align) {
    model_->SetAlignment(row1, column1, row2, column2, align);
}

void RecordGrid::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= static_cast<int>(widths_.size())) return;
    widths_[column] = std::max(width, 0);
    ScrollBarsChanged();
}

int RecordGrid::ColumnWidth(int column) const {
    return column >= 0 && column < static_cast<int>(widths_.size()) ? widths_[column] : 0;
}

void RecordGrid::SetGridLineColor(COLORREF color) { gridLineColor_ = color; InvalidateRect(hwnd_, nullptr, FALSE); }
void RecordGrid::SetBackgroundColor(COLORREF color) { backgroundColor_ = color; InvalidateRect(hwnd_, nullptr, FALSE); }
void RecordGrid::SetDefaultTextColor(COLORREF color) { model_->SetDefaultTextColor(color); InvalidateRect(hwnd_, nullptr, FALSE); }

void RecordGrid::SetRowHeight(int height) {
    rowHeight_ = std::max(height, 1);
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RecordGrid::SetDefaultColumnWidth(int width) {
    defaultWidth_ = std::max(width, 0);
    for (int& w : widths_) w = defaultWidth_;
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RecordGrid::SetFixedRows(int rows) {
    fixedRows_ = std::max(rows, 0);
    topRow_ = std::max(topRow_, fixedRows_);
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RecordGrid::SetFixedColumns(int columns) {
    fixedColumns_ = std::max(columns, 0);
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

int RecordGrid::DataRowsTotal() const { return std::max(model_->RowCount() - fixedRows_, 0); }

int RecordGrid::VisibleDataRows() const {
    RECT client;
    GetClientRect(hwnd_, &client);
    return std::max(static_cast<int>(client.bottom - fixedRows_ * rowHeight_) / rowHeight_, 1);
}

int RecordGrid::ColumnLeft(int column) const {
    int x = 0;
    for (int c = 0; c < column && c < static_cast<int>(widths_.size()); ++c) x += widths_[c];
    return x;
}

int RecordGrid::TotalWidth() const { return ColumnLeft(static_cast<int>(widths_.size())); }

void RecordGrid::ScrollBarsChanged() {
    scrollBarsStale_ = true;
    {
        ExclusiveHold hold(model_->lock_);
        model_->MarkAll();
    }
    model_->Changed();
}

void RecordGrid::UpdateScrollBars() {
    scrollBarsStale_ = false;
    const int total = DataRowsTotal();
    const int page = VisibleDataRows();
    topRow_ = std::min(topRow_, std::max(fixedRows_ + total - page, fixedRows_));
    topRow_ = std::max(topRow_, fixedRows_);
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, std::max(total - 1, 0),
                       static_cast<UINT>(page), topRow_ - fixedRows_, 0};
    SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);

    RECT client;
    GetClientRect(hwnd_, &client);
    const int width = TotalWidth();
    leftPixel_ = std::max(std::min(leftPixel_, width - static_cast<int>(client.right)), 0);
    SCROLLINFO horizontal = {sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(width - 1, 0),
                             static_cast<UINT>(client.right), leftPixel_, 0};
    SetScrollInfo(hwnd_, SB_HORZ, &horizontal, TRUE);
}

void RecordGrid::ScrollTo(int topRow, int leftPixel) {
    const int oldTop = topRow_, oldLeft = leftPixel_;
    topRow_ = topRow;
    leftPixel_ = leftPixel;
    UpdateScrollBars();
    if (topRow_ != oldTop || leftPixel_ != oldLeft) InvalidateRect(hwnd_, nullptr, FALSE);
}

void RecordGrid::EnsureVisible(int row) {
    if (scrollBarsStale_) UpdateScrollBars();
    const int page = VisibleDataRows();
    if (row < topRow_) ScrollTo(row, leftPixel_);
    else if (row >= topRow_ + page) ScrollTo(row - page + 1, leftPixel_);
}

bool RecordGrid::HitTest(POINT client, int& row, int& column) const {
    const int headerHeight = fixedRows_ * rowHeight_;
    if (client.y < headerHeight || client.x < 0) return false;
    row = topRow_ + (client.y - headerHeight) / rowHeight_;
    if (row >= model_->RowCount()) return false;
    const int fixedWidth = ColumnLeft(fixedColumns_);
    if (client.x < fixedWidth) return false;
    const int x = client.x + leftPixel_;
    for (int c = fixedColumns_; c < static_cast<int>(widths_.size()); ++c) {
        if (x >= ColumnLeft(c) && x < ColumnLeft(c + 1)) {
            column = c;
            return true;
        }
    }
    return false;
}

void RecordGrid::SetCurrentCell(int row, int column) {
    if (row < fixedRows_ || row >= model_->RowCount() || column < fixedColumns_ ||
        column >= static_cast<int>(widths_.size()))
        return;
    if (row == currentRow_ && column == currentColumn_) return;
    currentRow_ = row;
    currentColumn_ = column;
    EnsureVisible(row);
    InvalidateRect(hwnd_, nullptr, FALSE);
    NMHDR header = {};
    header.code = kGridCurrentCellChanged;
    Notify(header);
}

void RecordGrid::Notify(NMHDR& header) const {
    header.hwndFrom = hwnd_;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd_));
    SendMessageA(GetParent(hwnd_), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void RecordGrid::OnVScroll(int code) {
    if (scrollBarsStale_) UpdateScrollBars();
    const int page = VisibleDataRows();
    SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd_, SB_VERT, &info);
    int top = topRow_;
    switch (code) {
    case SB_LINEUP: top -= 1; break;
    case SB_LINEDOWN: top += 1; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_TOP: top = fixedRows_; break;
    case SB_BOTTOM: top = model_->RowCount(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = fixedRows_ + info.nTrackPos; break;
    default: return;
    }
    ScrollTo(top, leftPixel_);
}

void RecordGrid::OnHScroll(int code) {
    RECT client;
    GetClientRect(hwnd_, &client);
    SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd_, SB_HORZ, &info);
    int left = leftPixel_;
    switch (code) {
    case SB_LINELEFT: left -= 20; break;
    case SB_LINERIGHT: left += 20; break;
    case SB_PAGELEFT: left -= client.right; break;
    case SB_PAGERIGHT: left += client.right; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: left = info.nTrackPos; break;
    default: return;
    }
    ScrollTo(topRow_, left);
}

void RecordGrid::OnKeyDown(WPARAM key) {
    const int page = VisibleDataRows();
    const int rows = model_->RowCount();
    const int columns = static_cast<int>(widths_.size());
    if (rows <= fixedRows_ || columns <= fixedColumns_) return;
    int row = currentRow_ < fixedRows_ ? fixedRows_ : currentRow_;
    int column = currentColumn_ < fixedColumns_ ? fixedColumns_ : currentColumn_;
    switch (key) {
    case VK_UP: row -= 1; break;
    case VK_DOWN: row += 1; break;
    case VK_PRIOR: row -= page; break;
    case VK_NEXT: row += page; break;
    case VK_HOME: row = fixedRows_; break;
    case VK_END: row = rows - 1; break;
    case VK_LEFT: column -= 1; break;
    case VK_RIGHT: column += 1; break;
    default: return;
    }
    SetCurrentCell(std::clamp(row, fixedRows_, rows - 1), std::clamp(column, fixedColumns_, columns - 1));
}

void RecordGrid::OnPaint() {
    model_->invalidated_ = false;
    if (scrollBarsStale_) UpdateScrollBars();
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(hwnd_, &paint);
    RECT client;
    GetClientRect(hwnd_, &client);
    // Paint off screen: a full repaint of a busy grid must not flicker.
    HDC dc = CreateCompatibleDC(windowDc);
    HBITMAP buffer = CreateCompatibleBitmap(windowDc, std::max<int>(client.right, 1), std::max<int>(client.bottom, 1));
    HGDIOBJ oldBitmap = SelectObject(dc, buffer);
    HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));

    HBRUSH background = CreateSolidBrush(backgroundColor_);
    FillRect(dc, &client, background);
    HPEN gridPen = CreatePen(PS_SOLID, 1, gridLineColor_);
    HGDIOBJ oldPen = SelectObject(dc, gridPen);
    SetBkMode(dc, TRANSPARENT);

    const int rows = model_->RowCount();
    const int columns = static_cast<int>(widths_.size());
    const int fixedWidth = ColumnLeft(fixedColumns_);
    std::vector<GridModel::CellView> cells;

    auto paintRow = [&](int row, int y) {
        model_->ReadRow(row, cells);
        const bool fixedRow = row < fixedRows_;
        for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
            const bool fixedColumn = c < fixedColumns_;
            int x = ColumnLeft(c) - (fixedColumn ? 0 : leftPixel_);
            RECT cell = {x, y, x + widths_[c], y + rowHeight_};
            if (cell.right <= (fixedColumn ? 0 : fixedWidth) || cell.left >= client.right) continue;
            HRGN clip = nullptr;
            if (!fixedColumn) {
                clip = CreateRectRgn(fixedWidth, 0, client.right, client.bottom);
                SelectClipRgn(dc, clip);
            }
            if (fixedRow || fixedColumn) {
                FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
            } else if (row == currentRow_ && c == currentColumn_) {
                FillRect(dc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
            } else if (row == currentRow_) {
                HBRUSH rowBrush = CreateSolidBrush(RGB(232, 240, 254));
                FillRect(dc, &cell, rowBrush);
                DeleteObject(rowBrush);
            }
            MoveToEx(dc, cell.right - 1, cell.top, nullptr);
            LineTo(dc, cell.right - 1, cell.bottom - 1);
            LineTo(dc, cell.left - 1, cell.bottom - 1);
            const GridModel::CellView& view = cells[c];
            if (!view.text.empty()) {
                RECT text = cell;
                InflateRect(&text, -3, 0);
                const bool focused = row == currentRow_ && c == currentColumn_ && !fixedRow && !fixedColumn;
                ::SetTextColor(dc, focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : view.color);
                UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
                format |= view.align == CellAlign::Center ? DT_CENTER : view.align == CellAlign::Right ? DT_RIGHT : DT_LEFT;
                DrawTextA(dc, view.text.data(), static_cast<int>(view.text.size()), &text, format);
            }
            if (clip) {
                SelectClipRgn(dc, nullptr);
                DeleteObject(clip);
            }
        }
    };

    // Rows outside the update rectangle are not drawn: the copy below is clipped to it anyway.
    auto needed = [&](int y) { return y < paint.rcPaint.bottom && y + rowHeight_ > paint.rcPaint.top; };
    for (int r = 0; r < fixedRows_ && r < rows; ++r)
        if (needed(r * rowHeight_)) paintRow(r, r * rowHeight_);
    const int headerHeight = fixedRows_ * rowHeight_;
    const int visible = (client.bottom - headerHeight) / rowHeight_ + 1;
    for (int i = 0; i < visible && topRow_ + i < rows; ++i)
        if (needed(headerHeight + i * rowHeight_)) paintRow(topRow_ + i, headerHeight + i * rowHeight_);

    BitBlt(windowDc, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(gridPen);
    DeleteObject(background);
    DeleteObject(buffer);
    DeleteDC(dc);
    EndPaint(hwnd_, &paint);
}

LRESULT RecordGrid::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        UpdateScrollBars();
        return 0;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        ScrollTo(topRow_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3, leftPixel_);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd_);
        int row, column;
        if (HitTest({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, row, column)) SetCurrentCell(row, column);
        return 0;
    }
    case WM_RBUTTONDOWN: {
        POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd_, &screen);
        GridButtonNotification notification = {};
        notification.header.code = kGridRightButtonPressed;
        notification.screenPoint = screen;
        Notify(notification.header);
        return 0;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case kRepaintMessage:
        InterlockedExchange(&model_->repaintPosted_, 0);
        InvalidateMarkedRows();
        return 0;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK RecordGrid::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    RecordGrid* grid = reinterpret_cast<RecordGrid*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        grid = new RecordGrid(hwnd);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(grid));
    }
    if (grid == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        grid->model_->SetNotifyWindow(nullptr);
        grid->model_->view_ = nullptr;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        delete grid;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return grid->HandleMessage(message, wParam, lParam);
}

void RegisterRecordGridClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &RecordGrid::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kRecordGridClass;
    RegisterClassA(&wc);
}
