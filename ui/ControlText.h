#pragma once
#include <windows.h>

#include <string>

// Reading the state of controls. Window thread (or any thread that may wait for it to answer).

// The control's whole text, however long.
std::string WindowText(HWND control);
// The control's text read as a number the way the pages read typed numbers.
int ReadNumberFromControl(HWND edit);
// Whether a check box or radio button is checked.
bool IsChecked(HWND button);
