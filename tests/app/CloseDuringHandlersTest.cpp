// A close of the window that arrives while a handler dispatches messages: the handler keeps its
// window, controls and grid until it has returned, leaves its loop early, and no handler starts
// once the close is due. The window goes as soon as the handler has returned.
#include "crop/SourceList.h"
#include "verify/FailureExport.h"
#include "verify/RecordGrid.h"

#include "../support/WindowTestSupport.h"

#include <functional>
#include <string>

namespace {
using testsupport::Pump;
using testsupport::TempFolder;

class CloseDuringHandlerTest : public testsupport::MainWindowTest {
protected:
    void SetUp() override {
        testsupport::MainWindowTest::SetUp();
        SetDesktopFolderForTests([this] { return desktop.Path(); });
    }
    void TearDown() override {
        SetDesktopFolderForTests(nullptr);
        testsupport::MainWindowTest::TearDown();
    }
    // Data rows whose 结果 and 失败原因 are as given.
    void FillGrid(int rows, const char* result, const char* reason) {
        RecordGrid& grid = *RecordGrid::FromWindow(C(高级表格1));
        for (int i = 0; i < rows; ++i) {
            const int row = grid.AppendRow();
            grid.SetCellText(row, 1, "C:\\p\\f" + std::to_string(row) + ".jpg");
            grid.SetCellText(row, 2, "f" + std::to_string(row) + ".jpg");
            grid.SetCellText(row, 3, "已完成");
            grid.SetCellText(row, 5, result);
            grid.SetCellText(row, 6, reason);
        }
    }
    TempFolder desktop{"desktop"};
};

TEST_F(CloseDuringHandlerTest, TheCloseWaitsForEveryHandlerThatDispatches) {
    struct Case {
        const char* handler;
        std::function<void()> prepare;
        std::function<void()> trigger;
    };
    const Case cases[] = {
        {"导出失败名单", [this] { FillGrid(50, "失败", "非图片文件，或者图片不存在"); },
         [this] { SendMessageA(window->Handle(), WM_COMMAND, 菜单_导出失败名单, 0); }},
        {"导出超分辨率图片", [this] { FillGrid(50, "失败", "分辨率过高"); },
         [this] { SendMessageA(window->Handle(), WM_COMMAND, 菜单_导出超分辨率图片, 0); }},
        {"清除标识",
         [this] {
             for (int i = 0; i < 50; ++i) {
                 const int row = AppendSourceRow(*window, "C:\\p\\s.bmp", "s.bmp", "1*1");
                 SetSourceCell(C(超级列表框1), row, SourceImageRow::状态, "修改成功");
             }
         },
         [this] { SendMessageA(C(按钮_清除标识), BM_CLICK, 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handler);
        if (window == nullptr || !IsWindow(window->Handle())) window = MainWindow::Create(GetModuleHandleA(nullptr));
        ASSERT_NE(window, nullptr);
        Pump();
        c.prepare();
        const HWND hwnd = window->Handle();
        // Both wait in the queue; the handler's first dispatch takes them.
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        folderAnswer = desktop.Path();
        PostMessageA(C(按钮_选择), BM_CLICK, 0, 0);
        c.trigger();
        EXPECT_TRUE(IsWindow(hwnd)) << "the window went while its handler still ran";
        EXPECT_TRUE(window->Closing());
        EXPECT_TRUE(browserTitles.empty()) << "a handler started after the close was due";
        EXPECT_TRUE(messages.empty()) << "the handler left its loop instead of finishing";
        Pump();
        EXPECT_FALSE(IsWindow(hwnd)) << "the close is made once the handler has returned";
        window = nullptr;
    }
    EXPECT_EQ(GetFileAttributesA((desktop.Path() + "\\错误名单.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "no list is written for a window that is closing";
}

TEST_F(CloseDuringHandlerTest, ACloseWithNoHandlerRunningIsMadeAtOnce) {
    const HWND hwnd = window->Handle();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
