#include "crop/ResizeSettingsBoard.h"

#include <windows.h>

namespace {

struct Board {
    Board() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    ResizeSnapshot snapshot;
};

// Never destroyed: a task may read it until the process ends.
Board& TheBoard() {
    static Board* board = new Board;
    return *board;
}

}  // namespace

void PublishResizeSettings(const ResizeSnapshot& snapshot) {
    Board& board = TheBoard();
    EnterCriticalSection(&board.lock);
    board.snapshot = snapshot;
    LeaveCriticalSection(&board.lock);
}

ResizeSnapshot CurrentResizeSettings() {
    Board& board = TheBoard();
    EnterCriticalSection(&board.lock);
    ResizeSnapshot snapshot = board.snapshot;
    LeaveCriticalSection(&board.lock);
    return snapshot;
}
