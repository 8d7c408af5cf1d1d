#pragma once
// JPEG files written by the tests with libjpeg's own compressor.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace croptest {

// A baseline colour JPEG of the given size; rowAt fills one row of RGB bytes (row 0 at the top).
inline std::string JpegBytes(int width, int height, const std::function<void(int y, unsigned char* rgb)>& rowAt,
                             int quality = 90) {
    jpeg_compress_struct cinfo = {};
    jpeg_error_mgr error = {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        rowAt(static_cast<int>(cinfo.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return bytes;
}

// One colour all over.
inline std::string FlatJpeg(int width, int height, COLORREF color) {
    return JpegBytes(width, height, [width, color](int, unsigned char* rgb) {
        for (int x = 0; x < width; ++x) {
            rgb[3 * x] = GetRValue(color);
            rgb[3 * x + 1] = GetGValue(color);
            rgb[3 * x + 2] = GetBValue(color);
        }
    });
}

}  // namespace croptest
