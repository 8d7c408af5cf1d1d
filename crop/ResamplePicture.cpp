#include "crop/ResamplePicture.h"

#include "crop/OverWhite.h"
#include "imaging/PixelGrid.h"
#include "imaging/decode/PictureDecoder.h"

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <new>

namespace {

// A bottom-up 24-bit DIB section holding the decoded picture over white; null when it cannot be
// made. The caller owns the handle.
HBITMAP MakeOpaqueSection(const imaging::DecodedPicture& picture) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(picture.width);
    info.bmiHeader.biHeight = static_cast<LONG>(picture.height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr || bits == nullptr) {
        if (section != nullptr) DeleteObject(section);
        return nullptr;
    }
    const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
    const size_t sourceStride = static_cast<size_t>(picture.width) * 4;
    for (uint32_t y = 0; y < picture.height; ++y) {
        const uint8_t* in = picture.bgra.data() + sourceStride * y;
        uint8_t* out = static_cast<uint8_t*>(bits) + stride * (picture.height - 1 - y);
        for (uint32_t x = 0; x < picture.width; ++x) PixelOverWhite(in + size_t{x} * 4, out + size_t{x} * 3);
    }
    GdiFlush();
    return section;
}

// The whole content of a memory stream.
ByteString StreamBytes(IStream* stream) {
    HGLOBAL memory = nullptr;
    STATSTG stat = {};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
    const SIZE_T length = static_cast<SIZE_T>(stat.cbSize.QuadPart);
    if (length == 0) return {};
    const void* data = GlobalLock(memory);
    if (data == nullptr) return {};
    ByteString bytes;
    try {
        bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    GlobalUnlock(memory);
    return bytes;
}

ByteString SaveAsFile(IPicture& picture) {
    ByteString bytes;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || stream == nullptr) return bytes;
    LONG saved = 0;
    if (SUCCEEDED(picture.SaveAsFile(stream, TRUE, &saved))) bytes = StreamBytes(stream);
    stream->Release();
    return bytes;
}

// Wine's IPicture::SaveAsFile writes only the bytes a picture was loaded from, so one made from a
// handle saves nothing there. Its persistence interface serialises the bitmap: the tag "lt\0\0"
// and the length, then the BMP file image.
ByteString SaveThroughPersistStream(IPicture& picture) {
    ByteString bytes;
    IPersistStream* persist = nullptr;
    if (FAILED(picture.QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist))) || persist == nullptr)
        return bytes;
    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) && stream != nullptr) {
        if (SUCCEEDED(persist->Save(stream, TRUE))) bytes = StreamBytes(stream);
        stream->Release();
    }
    persist->Release();
    constexpr size_t kTagSize = 8;
    const bool tagged = bytes.size() >= kTagSize && bytes[0] == 'l' && bytes[1] == 't' && bytes[2] == 0 &&
                        bytes[3] == 0 &&
                        (bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24) ==
                            bytes.size() - kTagSize;
    if (!tagged) return {};
    bytes.erase(bytes.begin(), bytes.begin() + kTagSize);
    return bytes;
}

}  // namespace

ByteString PictureToBmpThroughOle(const std::string& fileBytes) {
    const imaging::DecodedPicture decoded =
        imaging::DecodePicture(reinterpret_cast<const uint8_t*>(fileBytes.data()), fileBytes.size());
    if (decoded.status != imaging::DecodeStatus::Ok) return {};
    HBITMAP section = MakeOpaqueSection(decoded);
    if (section == nullptr) return {};

    PICTDESC description = {};
    description.cbSizeofstruct = sizeof(PICTDESC);
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = section;
    IPicture* picture = nullptr;
    // The picture owns the handle from here on.
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPicture, TRUE, reinterpret_cast<void**>(&picture))) ||
        picture == nullptr) {
        DeleteObject(section);
        return {};
    }
    ByteString bytes = SaveAsFile(*picture);
    if (bytes.empty()) bytes = SaveThroughPersistStream(*picture);
    picture->Release();
    return bytes;
}

ByteString ResamplePicture(const std::string& fileBytes, int32_t width, int32_t height, int32_t mode) {
    // COM only around the decode: the OLE picture lives and dies inside it.
    const HRESULT com = CoInitialize(nullptr);
    ByteString result;
    {
        const ByteString image = PictureToBmpThroughOle(fileBytes);
        新位图操作类 bitmap;
        bitmap.LoadFromBytes(image);
        if (SUCCEEDED(com)) CoUninitialize();

        const PixelGrid grid;
        PixelArray source, target;
        grid.ReadPixels(bitmap, source);
        const int32_t sourceWidth = bitmap.GetWidth();
        const int32_t sourceHeight = bitmap.GetHeight();
        if (mode == 0) {
            grid.ScaleNearest(source, sourceWidth, sourceHeight, width, height, target);
        } else {
            grid.ScaleAverage(source, sourceWidth, sourceHeight, width, height, target);
        }
        bitmap.Create(1, 1, 24);
        grid.WritePixels(bitmap, target, width, height);
        result = bitmap.ToBmpBytes();
    }
    return result;
}
