#include "crop/LogPanel.h"

#include "app/MainWindow.h"

#include <windows.h>

void AppendLogLine(MainWindow& window, const std::string& text) {
    HWND log = window.Control(列表框_日志);
    const LRESULT index = SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageA(log, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    SendMessageA(log, WM_VSCROLL, SB_BOTTOM, 0);
}

void ClearLog(MainWindow& window) { SendMessageA(window.Control(列表框_日志), LB_RESETCONTENT, 0, 0); }
