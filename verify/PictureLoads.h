#pragma once
#include <string>

// Whether the file is a picture of a recognised format (BMP, JPEG, PNG, ICO, CUR, GIF, PCX, told
// apart by its first 8 bytes) whose every row decodes. A truncated file is no picture. Memory
// stays at a few rows whatever the picture's size. Any thread.
bool PictureLoads(const std::string& path);
