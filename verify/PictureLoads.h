#pragma once
#include <string>

// Whether the file is a picture of a recognised format (BMP, JPEG, PNG, ICO, CUR, GIF, PCX, told
// apart by its first 8 bytes) whose every row decodes. A truncated file is no picture, and so is
// one too large to hold in memory. Memory for the file is taken only once its first 8 bytes are
// a known signature; the decoding itself stays at a few rows. Never throws. Any thread.
bool PictureLoads(const std::string& path) noexcept;

// The same test over a whole file already read (empty when it could not be), for a caller that
// reads the file once to test and measure it.
bool PictureBytesLoad(const std::string& bytes) noexcept;
