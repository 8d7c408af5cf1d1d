#include "verify/FolderScan.h"
#include "verify/RecordGrid.h"

#include "../support/WindowTestSupport.h"

#include <algorithm>

namespace {
using testsupport::TempFolder;
using testsupport::EnumeratedFiles;
using testsupport::TextOf;

class FolderScanTest : public testsupport::MainWindowTest {
protected:
    RecordGrid& Grid() { return *RecordGrid::FromWindow(C(高级表格1)); }
};

TEST_F(FolderScanTest, ExactlyTheFilesBecomeNumberedRows) {
    TempFolder folder("scan");
    folder.File("a.jpg");
    folder.File("b.txt", "hello");
    folder.File("图片.png");
    folder.Folder("sub");
    folder.Folder("hidden", FILE_ATTRIBUTE_HIDDEN);
    folder.Folder("readonly", FILE_ATTRIBUTE_READONLY);
    folder.Folder("archived", FILE_ATTRIBUTE_ARCHIVE);
    folder.File("sub\\inner.jpg");
    // A file with none of the listed attribute bits, where the file system keeps that.
    const std::string plain = folder.File("plain.dat");
    SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool plainIsUnlisted = (GetFileAttributesA(plain.c_str()) & 0x37) == 0;

    folderAnswer = folder.Path();
    Click(按钮_选择);

    ASSERT_EQ(browserTitles.size(), 1u);
    EXPECT_EQ(browserTitles[0], "选择文件或文件夹");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(TextOf(C(编辑框_路径)), folder.Path());
    EXPECT_EQ(scanFolder, folder.Path() + "\\");

    const std::vector<std::string> files = EnumeratedFiles(folder.Path());
    std::vector<std::string> expected;
    for (const std::string& name : files) {
        if (!(plainIsUnlisted && name == "plain.dat")) expected.push_back(name);
    }
    ASSERT_EQ(Grid().RowCount(), static_cast<int>(expected.size()) + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        SCOPED_TRACE(expected[i]);
        EXPECT_EQ(Grid().CellText(row, 0), std::to_string(row));
        EXPECT_EQ(Grid().CellText(row, 1), folder.Path() + "\\" + expected[i]);
        EXPECT_EQ(Grid().CellText(row, 2), expected[i]);
        for (int c = 3; c < 8; ++c) EXPECT_EQ(Grid().CellText(row, c), "");
    }
    for (const char* never : {"sub", "hidden", "readonly", "archived", "inner.jpg"}) {
        EXPECT_EQ(std::count(expected.begin(), expected.end(), never), 0) << never;
    }
    if (plainIsUnlisted) {
        EXPECT_EQ(std::count(expected.begin(), expected.end(), "plain.dat"), 0);
    }
    EXPECT_EQ(TextOf(C(编辑框_记录数量)), std::to_string(expected.size()));
}

TEST_F(FolderScanTest, ScanningAgainReplacesEveryRow) {
    TempFolder first("first"), second("second");
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) first.File(name);
    second.File("only.bmp");
    folderAnswer = first.Path();
    Click(按钮_选择);
    ASSERT_EQ(Grid().RowCount(), 4);
    Grid().SetCellText(1, 3, "已完成");
    Grid().SetCellText(1, 5, "成功");

    folderAnswer = second.Path();
    Click(按钮_选择);
    ASSERT_EQ(Grid().RowCount(), 2);
    EXPECT_EQ(Grid().CellText(1, 2), "only.bmp");
    EXPECT_EQ(Grid().CellText(1, 3), "") << "earlier results are gone";
    EXPECT_EQ(Grid().CellText(1, 5), "");
    EXPECT_EQ(TextOf(C(编辑框_记录数量)), "1");
}

TEST_F(FolderScanTest, AFolderWithoutFilesLeavesHeaderAndCount) {
    TempFolder full("full"), empty("empty");
    full.File("x.jpg");
    full.File("y.jpg");
    empty.Folder("nested");
    folderAnswer = full.Path();
    Click(按钮_选择);
    ASSERT_EQ(TextOf(C(编辑框_记录数量)), "2");

    folderAnswer = empty.Path();
    Click(按钮_选择);
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_EQ(Grid().CellText(0, 1), "文件路径");
    EXPECT_EQ(TextOf(C(编辑框_记录数量)), "2") << "the count box keeps its text";
    EXPECT_EQ(TextOf(C(编辑框_路径)), empty.Path());
}

TEST_F(FolderScanTest, CancelledBrowserShowsTheMessageAndKeepsTheRows) {
    TempFolder folder("cancel");
    folder.File("keep.jpg");
    folderAnswer = folder.Path();
    Click(按钮_选择);
    ASSERT_EQ(Grid().RowCount(), 2);

    folderAnswer = "";
    Click(按钮_选择);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "请选择文件夹路径");
    EXPECT_EQ(messages[0].caption, "信息：");
    EXPECT_EQ(messages[0].style, static_cast<UINT>(MB_OK | MB_TASKMODAL));
    EXPECT_EQ(Grid().RowCount(), 2);
    EXPECT_EQ(Grid().CellText(1, 2), "keep.jpg");
    EXPECT_EQ(TextOf(C(编辑框_路径)), folder.Path());
    EXPECT_EQ(scanFolder, "");
}

TEST(ScanFolder, FolderGetsOneTrailingBackslash) {
    struct Case {
        std::string folder, want;
    };
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string root = std::string(windows).substr(0, 3);  // e.g. C:\ (no second backslash)
    const Case cases[] = {{root, root}, {windows, std::string(windows) + "\\"}, {std::string(windows) + "\\", std::string(windows) + "\\"}};
    for (const Case& c : cases) {
        std::string folder = c.folder;
        std::vector<std::string> seenFolders;
        ScanFolder(folder, [&](const std::string& f, const std::string&) { seenFolders.push_back(f); });
        EXPECT_EQ(folder, c.want);
        for (const std::string& f : seenFolders) EXPECT_EQ(f, c.want);
    }
}

TEST(ScanFolder, AFolderEndingInADoubleByteCharacterGetsItsBackslash) {
    // The second byte of "淺" is 0x5C, the backslash.
    TempFolder parent("gbk");
    const std::string folder = parent.Folder("淺");
    parent.File("淺\\a.jpg");
    std::string scanned = folder;
    std::vector<std::string> seen;
    ScanFolder(scanned, [&](const std::string& f, const std::string& name) { seen.push_back(f + name); });
    EXPECT_EQ(scanned, folder + "\\");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], folder + "\\a.jpg");
}

TEST(ScanFolder, AMissingFolderYieldsNothing) {
    std::string folder = "Z:\\no\\such\\folder";
    int calls = 0;
    ScanFolder(folder, [&](const std::string&, const std::string&) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(folder, "Z:\\no\\such\\folder\\");
}

}  // namespace
