#pragma once
// The real main window on its crop page, with the folder browser and the open-file dialog
// answered and recorded, and throw-away folders of test files.
#include "app/Application.h"
#include "ui/DialogSeam.h"
#include "app/MainWindow.h"
#include "crop/SourceList.h"
#include "common/FolderFiles.h"

#include "../support/TestPictures.h"
#include "../support/WindowTestSupport.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace croptest {

using testsupport::Pump;
using testsupport::TempFolder;
using testsupport::TextOf;

// A 24-bit BMP file image of the given size, every pixel grey.
inline std::string BmpBytes(int width, int height) {
    return testsupport::Bmp24(width, height, [](int, int) { return RGB(0x80, 0x80, 0x80); });
}


class CropPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CreateGlobals(); }
    static void TearDownTestSuite() { ReleaseGlobals(); }

    void SetUp() override {
        SetFolderBrowserAnswer([this](const std::string& title) {
            browserTitles.push_back(title);
            return folderAnswer;
        });
        SetOpenFileAnswer([this](const std::string& filter) {
            fileFilters.push_back(filter);
            return fileAnswer;
        });
        window = MainWindow::Create(GetModuleHandleA(nullptr));
        ASSERT_NE(window, nullptr);
        window->SelectPage(TabPage::Crop);
        Pump();
    }
    void TearDown() override {
        if (MainWindow::Current()) DestroyWindow(MainWindow::Current()->Handle());
        Pump();
        SetFolderBrowserAnswer(nullptr);
        SetOpenFileAnswer(nullptr);
    }

    HWND C(ControlId id) const { return window->Control(id); }
    void Click(ControlId id) {
        SendMessageA(C(id), BM_CLICK, 0, 0);
        Pump();
    }
    HWND List() const { return C(超级列表框1); }
    int Rows() const { return static_cast<int>(SendMessageA(C(超级列表框1), LVM_GETITEMCOUNT, 0, 0)); }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> cells;
        for (int row = 0; row < Rows(); ++row) cells.push_back(SourceCell(List(), row, column));
        return cells;
    }
    void Select(int row) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(C(超级列表框1), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    // "单个处理" answered with the given file.
    void AddSingle(const std::string& path) {
        fileAnswer = path;
        Click(按钮_单文件选择);
    }

    MainWindow* window = nullptr;
    std::string folderAnswer;
    std::string fileAnswer;
    std::vector<std::string> browserTitles;
    std::vector<std::string> fileFilters;
};

}  // namespace croptest
