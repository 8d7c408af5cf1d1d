#pragma once
#include <windows.h>

// The crop view of the page "裁剪图片": a window class of its own.
extern const char kSpriteCanvasClass[];
void RegisterSpriteCanvasClass(HINSTANCE instance);
