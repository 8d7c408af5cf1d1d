#pragma once
// The batch resize's own road from a picture file to the 24-bit BMP file image it stores: one
// decode that keeps only the rows the mapping samples, the nearest-sample mapping of
// PixelGrid::ScaleNearest applied straight to them (transparent pixels laid over white), and the
// file image laid out as 新位图操作类::ToBmpBytes lays out a Create(width, height, 24) picture.
// For every picture that decodes its bytes equal those of ResamplePicture in mode 0, without the
// GDI+ loads, the OLE round trip, the temporary BMP file and the pixel-by-pixel traffic.
//
// Threads: any, any number at once; it touches nothing shared.
#include "imaging/BitmapObject.h"

#include <cstdint>
#include <string>

enum class ResizeStatus {
    Done,
    Undecodable,     // no picture in the bytes (or none that can be held)
    TargetTooSmall,  // a side below 1
    TargetTooLarge,  // beyond what a BMP file image holds, or the memory for it
};

struct ResizeOutcome {
    ResizeStatus status = ResizeStatus::Undecodable;
    ByteString bmp;  // the file image when Done, empty otherwise
};

ResizeOutcome ResizeDirect(const std::string& fileBytes, int32_t width, int32_t height);
