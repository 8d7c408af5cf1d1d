#include "ui/ControlText.h"

#include "common/NumberText.h"

std::string WindowText(HWND control) {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

int ReadNumberFromControl(HWND edit) { return ReadNumber(WindowText(edit)); }

bool IsChecked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
