#include "verify/ClearVerification.h"

#include "ui/PageHost.h"
#include "verify/RecordGrid.h"
#include "verify/VerificationRun.h"

namespace {
constexpr int kFirstCleared = 3, kLastCleared = 6;  // 状态 to 失败原因
}  // namespace

void ClearVerification(PageHost& host) {
    if (VerificationRunning(host)) return;
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    if (grid == nullptr) return;
    // The model keeps the pending count itself as 状态 cells empty.
    for (int row = 1; row < grid->RowCount(); ++row) {
        for (int column = kFirstCleared; column <= kLastCleared; ++column) grid->SetCellText(row, column, "");
    }
}
