#pragma once
// The resample chain as the batch resize was first laid out: the picture decoded into a bitmap
// handle, turned into a BMP file image through an OLE picture saved into a memory stream, loaded
// into a 新位图操作类 (through its temporary file), read pixel by pixel into a PixelGrid array,
// rescaled, written pixel by pixel into a new 24-bit bitmap and taken as a BMP file image.
// The run itself takes the direct road of DirectResize.h, which gives the same bytes; this one
// stays as the reference it is measured and checked against.
//
// Threads: any worker; COM is initialised on the calling thread around the decode. Loads from
// bytes are kept apart by the bitmap object's own named mutex.
#include "imaging/BitmapObject.h"

#include <cstdint>
#include <string>

// mode 0 samples the nearest pixel (ScaleNearest), any other value averages blocks
// (ScaleAverage). Bytes that do not decode, and sides below 1, give a 1 x 1 black picture.
// Transparent pixels are laid over white before the rescale.
ByteString ResamplePicture(const std::string& fileBytes, int32_t width, int32_t height, int32_t mode);

// Step one of the chain on its own: the file's picture as the BMP file image an OLE picture of
// its bitmap handle saves; empty when the bytes do not decode.
ByteString PictureToBmpThroughOle(const std::string& fileBytes);
