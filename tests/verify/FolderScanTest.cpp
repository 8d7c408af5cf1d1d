#include "verify/FolderScan.h"
#include "verify/RecordGrid.h"

#include "../support/WindowTestSupport.h"

#include <commctrl.h>

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

    // Wine keeps the archive bit on every file, so there the "normal" file is listed too.
    std::vector<std::string> expected = {"a.jpg", "b.txt", "图片.png"};
    if (!plainIsUnlisted) expected.push_back("plain.dat");
    std::vector<std::string> listed;
    for (int row = 1; row < Grid().RowCount(); ++row) {
        SCOPED_TRACE(row);
        listed.push_back(Grid().CellText(row, 2));
        EXPECT_EQ(Grid().CellText(row, 0), std::to_string(row));
        EXPECT_EQ(Grid().CellText(row, 1), folder.Path() + "\\" + listed.back());
        for (int c = 3; c < 8; ++c) EXPECT_EQ(Grid().CellText(row, c), "");
    }
    std::vector<std::string> sorted = listed;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
    // The rows keep the order in which the file system hands the names out.
    std::vector<std::string> inOrder;
    for (const std::string& name : EnumeratedFiles(folder.Path())) {
        if (std::count(expected.begin(), expected.end(), name)) inOrder.push_back(name);
    }
    EXPECT_EQ(listed, inOrder);
    EXPECT_EQ(TextOf(C(编辑框_记录数量)), std::to_string(expected.size()));
}

// A name the code page cannot spell comes out of the enumeration with "?" in it, a path nothing
// can open: both pages' scans pass it over alike.
TEST_F(FolderScanTest, BothPagesListTheSameFilesAndNoneThatCannotBeOpened) {
    TempFolder folder("spelling");
    folder.File("a.txt", "a");
    const std::wstring wideFolder(folder.Path().begin(), folder.Path().end());
    HANDLE thai = CreateFileW((wideFolder + L"\\\u0E01\u0E02.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(thai, INVALID_HANDLE_VALUE);
    CloseHandle(thai);
    ASSERT_EQ(EnumeratedFiles(folder.Path()).size(), 2u) << "the enumeration does hand out both";

    folderAnswer = folder.Path();
    Click(按钮_选择);
    ASSERT_EQ(Grid().RowCount(), 2) << "the verification page lists a.txt alone";
    EXPECT_EQ(Grid().CellText(1, 2), "a.txt");

    window->SelectPage(TabPage::Crop);
    Click(按钮_选择图片路径);
    ASSERT_EQ(SendMessageA(C(超级列表框1), LVM_GETITEMCOUNT, 0, 0), 1) << "so does the crop page";
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
