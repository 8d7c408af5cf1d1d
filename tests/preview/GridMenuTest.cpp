#include "PreviewFixture.h"

#include "app/MainWindow.h"
#include "common/FileBytes.h"
#include "common/ProgramFolder.h"
#include "crop/SourceList.h"

#include <commctrl.h>

#include <algorithm>

namespace {
using namespace previewtest;

constexpr UINT kInfoStyle = MB_OK | MB_TASKMODAL;

TEST_F(PreviewTest, BothMenuItemsAreGreyWithoutADataRow) {
    TempFolder folder("menu");
    folder.File("a.txt", "a");
    struct Case {
        const char* what;
        bool scan;
        bool grey;
    };
    const Case cases[] = {{"header row alone", false, true}, {"one data row", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.scan) Scan(folder);
        const MenuSeen seen = RightClickGrid({VK_ESCAPE});
        ASSERT_TRUE(seen.shown) << "the menu 参数 was shown";
        const UINT expected = c.grey ? MF_GRAYED : 0u;
        EXPECT_EQ(seen.oversizedState & (MF_GRAYED | MF_DISABLED), expected);
        EXPECT_EQ(seen.failuresState & (MF_GRAYED | MF_DISABLED), expected);
    }
}

TEST_F(PreviewTest, GreyItemsCannotBeChosen) {
    for (const MenuSeen& seen : {ChooseOversizedExport(), ChooseFailureExport()}) ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(messages.empty()) << "no failure list was written";
    EXPECT_EQ(SendMessageA(C(选择夹1), TCM_GETCURSEL, 0, 0), 0) << "the page stayed";
}

TEST_F(PreviewTest, OversizedRowsAreHandedToTheEmptiedCropList) {
    TempFolder folder("handover");
    Copy(folder, "verify-640x480.jpg", "big.jpg");
    Copy(folder, "verify-501x500.png", "justover.png");
    Copy(folder, "verify-500x500.png", "fine.png");
    folder.File("notes.txt", "no picture");
    Scan(folder);
    Verify();
    struct Case {
        const char* what;
        bool limitsRaised;
        std::vector<std::string> handed;
    };
    // Raising the limits and verifying again leaves no row failed for its size.
    const Case cases[] = {{"two rows too big", false, {"big.jpg", "justover.png"}}, {"none too big", true, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.limitsRaised) {
            SetWindowTextA(C(编辑框1), "1000");
            SetWindowTextA(C(编辑框2), "1000");
            Click(按钮_清除验证);
            Verify();
        }
        window->SelectPage(TabPage::Verify);
        AppendSourceRow(*window, "C:\\earlier.bmp", "earlier.bmp", "1*1");
        ASSERT_TRUE(ChooseOversizedExport().shown);

        std::vector<int> rows;
        for (const std::string& name : c.handed) rows.push_back(RowOf(name));
        std::sort(rows.begin(), rows.end());  // grid order
        ASSERT_EQ(SourceRowCount(C(超级列表框1)), static_cast<int>(rows.size())) << "the list was emptied first";
        for (size_t i = 0; i < rows.size(); ++i) {
            const int row = rows[i];
            EXPECT_EQ(SourceCell(C(超级列表框1), static_cast<int>(i), SourceImageRow::图片路径), Grid().CellText(row, 1));
            EXPECT_EQ(SourceCell(C(超级列表框1), static_cast<int>(i), SourceImageRow::名称), Grid().CellText(row, 2));
            EXPECT_EQ(SourceCell(C(超级列表框1), static_cast<int>(i), SourceImageRow::分辨率), Grid().CellText(row, 4));
            EXPECT_EQ(Grid().CellText(row, 6), "分辨率过高");
        }
        EXPECT_EQ(SendMessageA(C(选择夹1), TCM_GETCURSEL, 0, 0), 1);
        EXPECT_TRUE(IsWindowVisible(C(超级列表框1)));
        EXPECT_FALSE(IsWindowVisible(C(高级表格1)));
    }
}

class FailureListTest : public PreviewTest {
protected:
    // The list named by the last message, which must be the success message.
    std::string Written(const std::string& expectedFile) {
        EXPECT_FALSE(messages.empty());
        if (messages.empty()) return {};
        EXPECT_EQ(messages.back().text, "文件路径为：" + expectedFile);
        EXPECT_EQ(messages.back().caption, "信息：");
        EXPECT_EQ(messages.back().style, kInfoStyle);
        EXPECT_TRUE(FileIsThere(expectedFile)) << expectedFile;
        return ReadWholeFile(expectedFile);
    }
};

TEST_F(FailureListTest, OneGbkLinePerFailedRowInGridOrder) {
    TempFolder folder("failures"), desk("desk");
    folder.File("x.txt", "not a picture");
    Copy(folder, "verify-640x480.jpg", "big.jpg");
    Copy(folder, "verify-500x500.png", "ok.png");
    Scan(folder);
    Verify();
    const int x = RowOf("x.txt"), big = RowOf("big.jpg");
    ASSERT_GT(x, 0);
    ASSERT_GT(big, 0);
    ASSERT_EQ(Grid().CellText(RowOf("ok.png"), 5), "成功");
    const std::string xLine = folder.Path() + "\\x.txt >非图片文件，或者图片不存在\r\n";
    // The reason in GBK bytes, written out rather than trusted to the compiler's conversion.
    const std::string bigLine = folder.Path() + "\\big.jpg >\xB7\xD6\xB1\xE6\xC2\xCA\xB9\xFD\xB8\xDF\r\n";
    const std::string expected = x < big ? xLine + bigLine : bigLine + xLine;

    // One backslash between folder and name, whether or not the folder ends in one.
    for (const std::string& answer : {desk.Path(), desk.Path() + "\\"}) {
        SCOPED_TRACE(answer);
        desktopAnswer = answer;
        ASSERT_TRUE(ChooseFailureExport().shown);
        EXPECT_EQ(Written(desk.Path() + "\\错误名单.txt"), expected);
    }
}

TEST_F(FailureListTest, NoFailedRowGivesAnEmptyFileThatTheMessageStillNames) {
    TempFolder folder("nofailure"), desk("desk");
    Copy(folder, "verify-500x500.png", "ok.png");
    Scan(folder);
    Verify();
    desktopAnswer = desk.Path();
    const std::string file = desk.File("错误名单.txt", "an earlier list\r\n");
    ASSERT_TRUE(ChooseFailureExport().shown);
    EXPECT_EQ(Written(file), "") << "replaced by an empty list";
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(FailureListTest, AListThatCannotBeWrittenIsReportedAsSuch) {
    TempFolder folder("unwritable"), desk("desk");
    folder.File("x.txt", "not a picture");
    Scan(folder);
    Verify();
    desk.Folder("错误名单.txt");
    struct Case {
        const char* what;
        std::string folder;
    };
    const Case cases[] = {{"a folder that does not exist", desk.Path() + "\\missing"},
                          {"a folder in the file's place", desk.Path()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        desktopAnswer = c.folder;
        ASSERT_TRUE(ChooseFailureExport().shown);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "文件写入失败：" + c.folder + "\\错误名单.txt");
        EXPECT_EQ(messages[0].caption, "信息：");
        EXPECT_EQ(messages[0].style, kInfoStyle);
    }
}

TEST_F(FailureListTest, AWriteThatFailsHalfWayKeepsTheEarlierList) {
    TempFolder folder("halfway"), desk("desk");
    for (int i = 0; i < 40; ++i) folder.File("x" + std::to_string(i) + ".txt", "not a picture");
    Scan(folder);
    Verify();
    const std::string list = desk.File("错误名单.txt", "the earlier list\r\n");
    desktopAnswer = desk.Path();
    SimulateFullDiskForTests(100);  // the disk fills up after the first lines
    const MenuSeen menu = ChooseFailureExport();
    SimulateFullDiskForTests(SIZE_MAX);
    ASSERT_TRUE(menu.shown);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "文件写入失败：" + list);
    EXPECT_EQ(ReadWholeFile(list), "the earlier list\r\n") << "the earlier list is whole";
}

TEST_F(FailureListTest, TheFolderIsTakenWhereTheShellOrTheProgramSaysAndADoubleByteEndGetsItsBackslash) {
    TempFolder folder("where"), desk("desk");
    folder.File("x.txt", "not a picture");
    Scan(folder);
    Verify();
    const std::string line = folder.Path() + "\\x.txt >非图片文件，或者图片不存在\r\n";
    // "淺" ends in the byte 0x5C in GBK: the folder so named still lacks its backslash.
    const std::string trailByte = desk.Folder("淺");
    const std::string programList = ProgramFolder() + "\\错误名单.txt";
    DeleteFileA(programList.c_str());
    struct Case {
        const char* what;
        bool redirect;
        std::string answer;
        std::string file;
    };
    const Case cases[] = {
        {"a folder ending in a double-byte character", true, trailByte, trailByte + "\\错误名单.txt"},
        {"no desktop folder: the program's folder", true, "", programList},
        {"the shell's desktop folder", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        if (c.redirect) SetDesktopFolderForTests([&c] { return c.answer; });
        else SetDesktopFolderForTests(nullptr);
        const std::string shellFolder = DesktopFolder();
        const std::string file =
            !c.file.empty() ? c.file : (shellFolder.empty() ? ProgramFolder() : shellFolder) + "\\错误名单.txt";
        ASSERT_TRUE(ChooseFailureExport().shown);
        EXPECT_EQ(Written(file), line);
        DeleteFileA(file.c_str());
    }
}

}  // namespace
