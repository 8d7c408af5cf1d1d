#include "verify/RecordGrid.h"

const char kRecordGridClass[] = "QuillmereRecordGrid";

void RegisterRecordGridClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kRecordGridClass;
    RegisterClassA(&wc);
}
