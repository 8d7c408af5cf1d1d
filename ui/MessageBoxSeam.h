#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Every message box of the program goes through here, so tests can answer it and see what it said.

// The program's message: no owner window, caption "信息：", OK button, task-modal.
int ShowInfoMessage(const std::string& text);

using MessageBoxAnswer = std::function<int(const std::string& text, const std::string& caption, UINT style)>;
// Replaces the real message box until called again with an empty function.
void SetMessageBoxAnswer(MessageBoxAnswer answer);
