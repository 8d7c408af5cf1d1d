#include "ui/Controls.h"

#include <commctrl.h>

namespace {
LRESULT CALLBACK NumericEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && !NumericInputAccepts(static_cast<unsigned int>(wParam))) return 0;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &NumericEditProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
}  // namespace

bool NumericInputAccepts(unsigned int character) {
    if (character < 0x20) return true;  // backspace and the other control keys act as usual
    return (character >= '0' && character <= '9') || character == '-';
}

void MakeNumericInput(HWND edit) { SetWindowSubclass(edit, &NumericEditProc, 1, 0); }
