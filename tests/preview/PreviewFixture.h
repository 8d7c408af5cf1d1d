#pragma once
// The real main window on the page "校验图片" with files scanned into the record grid, the grid
// clicked as a mouse would, the pop-up menu "参数" answered from the keyboard, the desktop folder
// redirected and the drawing panel's pixels read back.
#include "common/FileBytes.h"
#include "ui/Controls.h"
#include "verify/FailureExport.h"
#include "verify/RecordGrid.h"
#include "verify/VerificationRun.h"

#include "../support/PopupMenuDriver.h"
#include "../support/TestPictures.h"
#include "../support/WindowTestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace previewtest {
using testsupport::Pump;
using testsupport::TempFolder;
using testsupport::TextOf;

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x008000;
constexpr int kPanelWidth = 183, kPanelHeight = 208;

inline std::string Fixture(const std::string& name) {
    std::string path = QUILLMERE_FIXTURES + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

inline bool FileIsThere(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A 24-bit BMP whose four quadrants have the given colours: top-left, top-right, bottom-left,
// bottom-right.
inline std::string QuadrantBmp(int width, int height, const COLORREF (&colors)[4]) {
    return testsupport::Bmp24(width, height, [&](int x, int y) {
        return colors[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
    });
}

class PreviewTest : public testsupport::MainWindowTest {
protected:
    void SetUp() override {
        testsupport::MainWindowTest::SetUp();
        SetDesktopFolderForTests([this] { return desktopAnswer; });
    }
    void TearDown() override {
        SetDesktopFolderForTests(nullptr);
        testsupport::MainWindowTest::TearDown();
    }

    RecordGrid& Grid() { return *RecordGrid::FromWindow(C(高级表格1)); }
    void Scan(const TempFolder& folder) {
        folderAnswer = folder.Path();
        Click(按钮_选择);
    }
    void Verify() { Click(按钮_验证图片); }
    void Copy(const TempFolder& folder, const std::string& fixture, const std::string& as) {
        ASSERT_TRUE(CopyFileA(Fixture(fixture).c_str(), (folder.Path() + "\\" + as).c_str(), FALSE)) << fixture;
    }
    // The data row of a file name, or 0.
    int RowOf(const std::string& name) {
        for (int row = 1; row < Grid().RowCount(); ++row)
            if (Grid().CellText(row, 2) == name) return row;
        return 0;
    }

    // A left click at a point of the grid's client area.
    void ClickGridAt(POINT at) {
        SendMessageA(C(高级表格1), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        SendMessageA(C(高级表格1), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        Pump();
    }
    // The middle of a visible row's cell; column 1 (文件路径) lies right of the 40-pixel 编号 column.
    POINT CellPoint(int row, int column) {
        const int height = Grid().RowHeight();
        const int y = height * (1 + row - Grid().FirstVisibleRow()) + height / 2;
        const int x = column == 0 ? 20 : 40 + 150;
        return {x, y};
    }
    void ClickRow(int row) { ClickGridAt(CellPoint(row, 1)); }

    COLORREF PanelPixel(int x, int y) { return GetPixel(DrawingPanelDC(C(画板1)), x, y); }
    // Every fourth pixel of the panel.
    std::vector<COLORREF> PanelSamples() {
        std::vector<COLORREF> samples;
        for (int y = 0; y < kPanelHeight; y += 4)
            for (int x = 0; x < kPanelWidth; x += 4) samples.push_back(PanelPixel(x, y));
        return samples;
    }

    // The menu "参数" is modal: a timer looks at it while it is shown, then answers it with keys.
    struct MenuSeen {
        bool shown = false;
        UINT oversizedState = 0;
        UINT failuresState = 0;
    };
    MenuSeen RightClickGrid(std::vector<WPARAM> keys) {
        const testsupport::PopupSeen popup = testsupport::PopupMenuDriver::RightClick(
            C(高级表格1), CellPoint(1, 1), window->ParameterMenu(), 菜单_导出超分辨率图片, 菜单_导出失败名单, std::move(keys));
        Pump();  // the chosen item's command
        return {popup.shown, popup.states[0], popup.states[1]};
    }
    MenuSeen ChooseOversizedExport() { return RightClickGrid({VK_DOWN, VK_RETURN}); }
    MenuSeen ChooseFailureExport() { return RightClickGrid({VK_UP, VK_RETURN}); }

    std::string desktopAnswer;
};

inline bool Near(COLORREF a, COLORREF b, int tolerance = 8) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace previewtest
