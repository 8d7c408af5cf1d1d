// Drives the real program through its real controls and saves what the screen shows of its window:
// both pages at start, the verification page after a run over a folder of sample pictures, and the
// crop page with one of them in the crop view. Used by scripts/screenshot.sh, not by ctest.
//
//   screenshot_driver <output folder> <folder of sample pictures>
// writes verify.bmp, crop.bmp, verify-run.bmp and crop-picture.bmp into the output folder.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "concurrency/MessageWaits.h"
#include "crop/SourceList.h"
#include "ui/DialogSeam.h"
#include "ui/MessageBoxSeam.h"
#include "verify/RecordGrid.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void Settle(int ms = 400) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(ms)) {
        PumpMessages();
        Sleep(10);
    }
}

void ClickScreen(POINT at) {
    SetCursorPos(at.x, at.y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    Settle(200);
}

void ClickClient(HWND control, int x, int y) {
    POINT at = {x, y};
    ClientToScreen(control, &at);
    ClickScreen(at);
}

// The second tab, where its own rectangle says it is.
void ClickTab(HWND tabs, int index) {
    RECT item = {};
    SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    ClickClient(tabs, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
}

// The window as the screen shows it, as a 24-bit BMP file.
bool SaveWindow(HWND window, const std::string& path) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + rowBytes * static_cast<DWORD>(height);
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(&header, sizeof header, 1, file) == 1 &&
                   std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
                   std::fwrite(bits, rowBytes * static_cast<size_t>(height), 1, file) == 1;
    if (file != nullptr) written = std::fclose(file) == 0 && written;
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenshot_driver <output folder> <sample folder>\n");
        return 2;
    }
    const std::string out = std::string(argv[1]) + "\\";
    const std::string samples = argv[2];
    CreateGlobals();
    OleInitialize(nullptr);
    SetFolderBrowserAnswer([&](const std::string&) { return samples; });
    SetMessageBoxAnswer([](const std::string&, const std::string&, UINT) { return IDOK; });
    MainWindow* window = MainWindow::Create(GetModuleHandleA(nullptr));
    if (window == nullptr) return 3;
    const HWND hwnd = window->Handle();
    SetForegroundWindow(hwnd);
    Settle(800);

    bool saved = SaveWindow(hwnd, out + "verify.bmp");

    ClickTab(window->Control(选择夹1), 1);
    saved = SaveWindow(hwnd, out + "crop.bmp") && saved;

    ClickTab(window->Control(选择夹1), 0);
    SendMessageA(window->Control(按钮_选择), BM_CLICK, 0, 0);
    SendMessageA(window->Control(按钮_验证图片), BM_CLICK, 0, 0);
    RecordGrid* grid = RecordGrid::FromWindow(window->Control(高级表格1));
    if (grid != nullptr && grid->RowCount() > 1) {
        // The first data row, clicked as a user would, for the preview.
        ClickClient(grid->Handle(), 40 + 300 + 45, grid->RowHeight() + grid->RowHeight() / 2);
    }
    Settle();
    saved = SaveWindow(hwnd, out + "verify-run.bmp") && saved;

    ClickTab(window->Control(选择夹1), 1);
    SendMessageA(window->Control(按钮_选择图片路径), BM_CLICK, 0, 0);
    Settle();
    HWND list = window->Control(超级列表框1);
    // The portrait, as an ID photo to crop would be.
    const int portrait = std::max(FindRowByCell(list, "证件照.jpg", SourceImageRow::名称), 0);
    RECT row = {};
    row.left = LVIR_BOUNDS;
    if (SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(portrait), reinterpret_cast<LPARAM>(&row))) {
        ClickClient(list, row.left + 60, (row.top + row.bottom) / 2);
    }
    Settle();
    saved = SaveWindow(hwnd, out + "crop-picture.bmp") && saved;

    DestroyWindow(hwnd);
    ReleaseGlobals();
    OleUninitialize();
    return saved ? 0 : 1;
}
