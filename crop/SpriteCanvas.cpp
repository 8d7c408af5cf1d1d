#include "crop/SpriteCanvas.h"

const char kSpriteCanvasClass[] = "QuillmereSpriteCanvas";

void RegisterSpriteCanvasClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kSpriteCanvasClass;
    RegisterClassA(&wc);
}
