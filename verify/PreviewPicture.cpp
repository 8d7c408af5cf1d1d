#include "verify/PreviewPicture.h"

#include "common/FileBytes.h"
#include "common/ProgramFolder.h"
#include "common/ProgramResource.h"
#include "imaging/ImageProbe.h"
#include "imaging/decode/PictureDecoder.h"
#include "ui/Controls.h"
#include "ui/PageHost.h"
#include "verify/RecordGrid.h"

#include <windows.h>

namespace {
constexpr int kPanelWidth = 183, kPanelHeight = 208;
constexpr COLORREF kRed = 0x0000FF, kGreen = 0x008000;
constexpr int kNumber = 0, kPath = 1, kName = 2;

// The decoders and signatures of the decodability test.
imaging::DecodedPicture DecodeBytes(const std::string& bytes) {
    return imaging::DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
imaging::DecodedPicture LoadPicture(const std::string& path) { return DecodeBytes(ReadWholeFile(path)); }

void DrawSqueezed(HWND panel, const imaging::DecodedPicture& picture) {
    HDC dc = DrawingPanelDC(panel);
    if (dc == nullptr || picture.status != imaging::DecodeStatus::Ok) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(picture.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(picture.height);  // rows are top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Averaging keeps a large picture recognisable when squeezed to the panel.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, 0, 0, kPanelWidth, kPanelHeight, 0, 0, static_cast<int>(picture.width),
                  static_cast<int>(picture.height), picture.bgra.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    InvalidateRect(panel, nullptr, FALSE);
}

void SetCaption(HWND label, const std::string& text, COLORREF color) {
    SetWindowTextA(label, text.c_str());
    SetLabelTextColor(label, color);
}
}  // namespace

std::string PlaceholderPictureBytes() { return ProgramResourceBytes("PLACEHOLDER"); }

std::string PlaceholderFilePath() { return ProgramFolder() + "\\tmp.jpg"; }

void ShowSelectedRecord(PageHost& host) {
    RecordGrid* grid = RecordGrid::FromWindow(host.Control(高级表格1));
    if (grid == nullptr) return;
    const int row = grid->CurrentRow();
    if (row < 1) return;
    const std::string path = grid->CellText(row, kPath);
    SetWindowTextA(host.Control(编辑框_序号), grid->CellText(row, kNumber).c_str());
    const std::string name = grid->CellText(row, kName);
    PreviewPicture(host, path, name);
}

void PreviewPicture(PageHost& host, const std::string& path, const std::string& name) {
    imaging::DecodedPicture picture;
    ImageSize size;
    {
        const std::string bytes = ReadWholeFile(path);  // once, for the picture and its measure
        picture = DecodeBytes(bytes);
        size = ProbeImageSize(bytes);
    }
    const std::string resolution = std::to_string(size.width) + "*" + std::to_string(size.height);
    HWND panel = host.Control(画板1);
    if (picture.status != imaging::DecodeStatus::Ok) {
        const std::string placeholderFile = PlaceholderFilePath();
        if (WriteWholeFile(placeholderFile, PlaceholderPictureBytes())) DrawSqueezed(panel, LoadPicture(placeholderFile));
        SetCaption(host.Control(标签_标识), "[ " + name + " ]非图片文件", kRed);
        SetWindowTextA(host.Control(标签_分辨率), resolution.c_str());
        return;
    }
    SetCaption(host.Control(标签_标识), "[ " + name + " ]显示正常", kGreen);
    SetWindowTextA(host.Control(标签_分辨率), resolution.c_str());
    DrawSqueezed(panel, picture);
}
