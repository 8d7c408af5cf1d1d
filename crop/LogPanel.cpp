#include "crop/LogPanel.h"

void AppendLogLine(HWND log, const std::string& text) {
    const LRESULT index = SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageA(log, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    SendMessageA(log, WM_VSCROLL, SB_BOTTOM, 0);
}

void ClearLog(HWND log) { SendMessageA(log, LB_RESETCONTENT, 0, 0); }
