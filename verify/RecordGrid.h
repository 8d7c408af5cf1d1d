#pragma once
#include <windows.h>

// The record grid of the page "校验图片": a window class of its own.
extern const char kRecordGridClass[];
void RegisterRecordGridClass(HINSTANCE instance);
