#include "CropPageFixture.h"
#include "../support/PopupMenuDriver.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace {
using croptest::BmpBytes;
using croptest::CropPageTest;
using croptest::Pump;
using croptest::TempFolder;
using croptest::TextOf;

using testsupport::EnumeratedFiles;

class SourceListTest : public CropPageTest {};

TEST_F(SourceListTest, ScanListsEveryFileOfTheFolderInEnumerationOrderButNoFolder) {
    TempFolder folder("scan");
    struct Picture {
        const char* name;
        int width, height;
    };
    const Picture pictures[] = {{"a.bmp", 3, 2}, {"图片.jpg", 5, 4}, {"c.bmp", 7, 1}};
    for (const Picture& p : pictures) folder.File(p.name, BmpBytes(p.width, p.height));
    folder.File("notes.txt", "no picture here");
    folder.Folder("sub");
    folder.Folder("hidden", FILE_ATTRIBUTE_HIDDEN);
    folder.Folder("readonly", FILE_ATTRIBUTE_READONLY);
    folder.Folder("archived", FILE_ATTRIBUTE_ARCHIVE);
    folder.File("sub\\inner.bmp", BmpBytes(2, 2));
    folder.File("hidden\\inner2.bmp", BmpBytes(2, 2));

    SetWindowTextA(C(编辑框_裁剪文件路径), "old");
    folderAnswer = folder.Path();
    Click(按钮_选择图片路径);

    ASSERT_EQ(browserTitles, std::vector<std::string>{"选择目标目录"});
    EXPECT_EQ(TextOf(C(编辑框_裁剪文件路径)), folder.Path());
    const std::vector<std::string> files = EnumeratedFiles(folder.Path());
    ASSERT_EQ(files.size(), 4u);
    ASSERT_EQ(Rows(), 4);
    for (int row = 0; row < 4; ++row) {
        const std::string& name = files[row];
        SCOPED_TRACE(name);
        std::string resolution = "0*0";
        for (const Picture& p : pictures) {
            if (name == p.name) resolution = std::to_string(p.width) + "*" + std::to_string(p.height);
        }
        EXPECT_EQ(SourceCell(List(), row, SourceImageRow::序号), std::to_string(row + 1));
        EXPECT_EQ(SourceCell(List(), row, SourceImageRow::图片路径), folder.Path() + "\\" + name);
        EXPECT_EQ(SourceCell(List(), row, SourceImageRow::名称), name);
        EXPECT_EQ(SourceCell(List(), row, SourceImageRow::分辨率), resolution);
        EXPECT_EQ(SourceCell(List(), row, SourceImageRow::状态), "");
    }
    EXPECT_EQ(FindRowByCell(List(), "notes.txt", SourceImageRow::名称), FindRowByCell(List(), "0*0", 3));
}

TEST_F(SourceListTest, TheScannedRowsArePaintedAndLaterRowsToo) {
    TempFolder folder("painted");
    for (int i = 0; i < 30; ++i) folder.File("picture" + std::to_string(i) + ".bmp", BmpBytes(3, 2));
    folderAnswer = folder.Path();
    Click(按钮_选择图片路径);
    ASSERT_EQ(Rows(), 30);
    // Dark text pixels in a row's 名称 cell, as painted on the screen.
    auto darkPixelsOfRow = [&](int row) {
        UpdateWindow(List());
        RECT cell = {};
        cell.top = SourceImageRow::名称;
        cell.left = LVIR_LABEL;
        SendMessageA(List(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        HDC dc = GetDC(List());
        int dark = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = cell.left; x < cell.right; ++x) dark += GetRValue(GetPixel(dc, x, y)) < 100;
        ReleaseDC(List(), dc);
        return dark;
    };
    EXPECT_GT(darkPixelsOfRow(0), 10) << "the first scanned row";
    EXPECT_GT(darkPixelsOfRow(2), 10) << "the third scanned row";
    SetSourceCell(List(), 1, SourceImageRow::名称, "新名称");
    EXPECT_GT(darkPixelsOfRow(1), 10) << "the list redraws after the scan";
}

TEST_F(SourceListTest, ScanAddsTheBackslashOnlyWhenTheFolderLacksOne) {
    // "淺" ends in the byte 0x5C in GBK: a folder so named still lacks its backslash.
    TempFolder root("slash");
    const std::string plain = root.Folder("plain");
    const std::string trailByte = root.Folder("淺");
    for (const std::string& folder : {plain, trailByte}) {
        HANDLE file = CreateFileA((folder + "\\p.bmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const std::string bytes = BmpBytes(4, 3);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    for (const std::string& answer : {plain, plain + "\\", trailByte}) {
        SCOPED_TRACE(answer);
        folderAnswer = answer;
        Click(按钮_选择图片路径);
        const std::string expectedFolder = answer.back() == '\\' && answer != trailByte ? answer : answer + "\\";
        ASSERT_EQ(Rows(), 1);
        EXPECT_EQ(SourceCell(List(), 0, SourceImageRow::图片路径), expectedFolder + "p.bmp");
        EXPECT_EQ(SourceCell(List(), 0, SourceImageRow::分辨率), "4*3");
    }
}

// GDI+ under Wine reads past the end of the memory it measures for such a file; scanned again and
// again, the folder must list it as 0*0 every time.
TEST_F(SourceListTest, AShortJpegWithABogusSegmentLengthIsListedAsNothingScanAfterScan) {
    TempFolder folder("bogus");
    folder.File("bogus.jpg", std::string("\xFF\xD8\xFF\xE0\xFF\xFF" "JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20));
    folder.File("p.bmp", BmpBytes(4, 3));
    folderAnswer = folder.Path();
    for (int scan = 0; scan < 15; ++scan) {
        SCOPED_TRACE(scan);
        Click(按钮_选择图片路径);
        ASSERT_EQ(Rows(), 2);
        const int bogus = FindRowByCell(List(), "bogus.jpg", SourceImageRow::名称);
        ASSERT_GE(bogus, 0);
        EXPECT_EQ(SourceCell(List(), bogus, SourceImageRow::分辨率), "0*0");
        EXPECT_EQ(SourceCell(List(), 1 - bogus, SourceImageRow::分辨率), "4*3");
    }
}

TEST_F(SourceListTest, EntriesAreTakenOnlyWithOneOfTheListedAttributeBits) {
    struct Case {
        unsigned long attributes;
        bool taken;
    };
    const Case cases[] = {
        {FILE_ATTRIBUTE_NORMAL, false},   {0, false},
        {FILE_ATTRIBUTE_TEMPORARY, false}, {FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_OFFLINE, false},
        {FILE_ATTRIBUTE_READONLY, true},  {FILE_ATTRIBUTE_HIDDEN, true},
        {FILE_ATTRIBUTE_SYSTEM, true},    {FILE_ATTRIBUTE_DIRECTORY, true},
        {FILE_ATTRIBUTE_ARCHIVE, true},   {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY, true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsEnumeratedEntryTaken(c.attributes), c.taken) << std::hex << c.attributes;

    // Through a real folder too, where the file system keeps a file without any of those bits.
    TempFolder folder("normal");
    const std::string plain = folder.File("plain.bmp", BmpBytes(2, 2));
    SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((GetFileAttributesA(plain.c_str()) & 0x37) != 0) return;  // this file system always marks files
    folderAnswer = folder.Path();
    Click(按钮_选择图片路径);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(SourceListTest, ScanningAgainOrCancellingEmptiesTheListFirst) {
    TempFolder first("first"), second("second");
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp"}) first.File(name, BmpBytes(1, 1));
    second.File("only.bmp", BmpBytes(2, 1));
    folderAnswer = first.Path();
    Click(按钮_选择图片路径);
    ASSERT_EQ(Rows(), 3);
    SetSourceCell(List(), 0, SourceImageRow::状态, "修改成功");

    folderAnswer = second.Path();
    Click(按钮_选择图片路径);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Column(SourceImageRow::序号), std::vector<std::string>{"1"});
    EXPECT_EQ(Column(SourceImageRow::状态), std::vector<std::string>{""}) << "a new scan starts unmarked";

    folderAnswer.clear();
    Click(按钮_选择图片路径);
    EXPECT_EQ(Rows(), 0) << "a cancelled browser still empties the list";
    EXPECT_EQ(TextOf(C(编辑框_裁剪文件路径)), second.Path()) << "and keeps the path shown";
    EXPECT_EQ(browserTitles.size(), 3u);
}

TEST_F(SourceListTest, SingleFilesAreAppendedAfterTheRowsThere) {
    TempFolder folder("single");
    folder.File("scanned.bmp", BmpBytes(1, 1));
    const std::string first = folder.File("one.bmp", BmpBytes(6, 2));
    const std::string second = folder.File("two.jpg", "not really a picture");
    folderAnswer = folder.Path();
    Click(按钮_选择图片路径);
    ASSERT_EQ(Rows(), 3);

    AddSingle(first);
    EXPECT_EQ(TextOf(C(编辑框_裁剪文件路径)), first);
    AddSingle(second);
    EXPECT_EQ(TextOf(C(编辑框_裁剪文件路径)), second);

    ASSERT_EQ(fileFilters, (std::vector<std::string>{"*.jpg;*.jpeg;*.bmp|*.jpg;*.jpeg;*.bmp",
                                                     "*.jpg;*.jpeg;*.bmp|*.jpg;*.jpeg;*.bmp"}));
    ASSERT_EQ(Rows(), 5);
    EXPECT_EQ(Column(SourceImageRow::序号), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(SourceCell(List(), 3, SourceImageRow::图片路径), first);
    EXPECT_EQ(SourceCell(List(), 3, SourceImageRow::名称), "one.bmp");
    EXPECT_EQ(SourceCell(List(), 3, SourceImageRow::分辨率), "6*2");
    EXPECT_EQ(SourceCell(List(), 4, SourceImageRow::名称), "two.jpg");
    EXPECT_EQ(SourceCell(List(), 4, SourceImageRow::分辨率), "0*0");
    EXPECT_EQ(SourceCell(List(), 4, SourceImageRow::状态), "");
}

TEST_F(SourceListTest, ACancelledFileDialogChangesNothing) {
    TempFolder folder("cancel");
    const std::string file = folder.File("kept.bmp", BmpBytes(2, 3));
    AddSingle(file);
    SetSourceCell(List(), 0, SourceImageRow::状态, "正在执行");
    Select(0);

    AddSingle("");
    EXPECT_EQ(fileFilters.size(), 2u) << "the dialog was shown";
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(SourceCell(List(), 0, SourceImageRow::图片路径), file);
    EXPECT_EQ(SourceCell(List(), 0, SourceImageRow::分辨率), "2*3");
    EXPECT_EQ(SourceCell(List(), 0, SourceImageRow::状态), "正在执行");
    EXPECT_EQ(SelectedSourceRow(List()), 0);
    EXPECT_EQ(TextOf(C(编辑框_裁剪文件路径)), file);
}

TEST_F(SourceListTest, NumbersAreNeverRewritten) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) AppendSourceRow(*window, std::string("C:\\") + name, name, "0*0");
    Select(1);
    SendMessageA(window->Handle(), WM_COMMAND, 菜单_删除选中, 0);
    Pump();
    EXPECT_EQ(Column(SourceImageRow::名称), (std::vector<std::string>{"a.bmp", "c.bmp"}));
    EXPECT_EQ(AppendSourceRow(*window, "C:\\d.bmp", "d.bmp", "1*1"), 2);
    EXPECT_EQ(Column(SourceImageRow::序号), (std::vector<std::string>{"1", "3", "3"}));
    EXPECT_EQ(Column(SourceImageRow::分辨率), (std::vector<std::string>{"0*0", "0*0", "1*1"}));
}

TEST_F(SourceListTest, LongCellsReadBackWhole) {
    // Lengths around the first read's buffer, with a double-byte character across its end.
    for (size_t length : {255u, 257u, 258u, 259u, 260u, 600u}) {
        std::string path = "C:\\" + std::string(length - 7, 'x');
        path.insert(path.size() - 2, "图");
        const int row = AppendSourceRow(*window, path, "n", "0*0");
        EXPECT_EQ(SourceCell(List(), row, SourceImageRow::图片路径), path) << length;
    }
}

// The pop-up menu is modal: a timer looks at it while it is shown, then picks an item with the
// keyboard (or closes it).
class ListMenuTest : public CropPageTest {
protected:
    struct Seen {
        bool shown = false;
        POINT at = {};
        UINT selectedState = 0;
        UINT allState = 0;
    };

    // Right-clicks the list at a point of its client area and answers the menu with the keys.
    Seen RightClick(POINT at, std::vector<WPARAM> keys) {
        HWND list = C(超级列表框1);
        const testsupport::PopupSeen popup =
            testsupport::PopupMenuDriver::RightClick(list, at, window->CropMenu(), 菜单_删除选中, 菜单_删除全部, std::move(keys));
        Pump();
        POINT screen = at;
        ClientToScreen(list, &screen);
        EXPECT_EQ(screen.x, popup.at.x);
        EXPECT_EQ(screen.y, popup.at.y);
        return {popup.shown, popup.at, popup.states[0], popup.states[1]};
    }
    POINT OnRow(int row) {
        RECT rect = {};
        rect.left = LVIR_LABEL;
        SendMessageA(C(超级列表框1), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return {rect.left + 10, (rect.top + rect.bottom) / 2};
    }
    POINT BelowRows() {
        RECT client;
        GetClientRect(C(超级列表框1), &client);
        return {client.right / 2, client.bottom - 8};
    }

};

TEST_F(ListMenuTest, DeleteSelectedIsGreyWithoutASelection) {
    for (const char* name : {"a.bmp", "b.bmp"}) AppendSourceRow(*window, std::string("C:\\") + name, name, "0*0");
    struct Case {
        const char* what;
        bool onRow;
        bool selectedGrey;
    };
    const Case cases[] = {{"on a row, which selects it", true, false}, {"below the rows, which deselects", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Seen seen = RightClick(c.onRow ? OnRow(1) : BelowRows(), {VK_ESCAPE});
        ASSERT_TRUE(seen.shown) << "the menu 裁剪 was shown";
        EXPECT_EQ((seen.selectedState & MF_GRAYED) != 0, c.selectedGrey);
        EXPECT_EQ(seen.allState & (MF_GRAYED | MF_DISABLED), 0u);
        EXPECT_EQ(SelectedSourceRow(List()), c.onRow ? 1 : -1);
        EXPECT_EQ(Rows(), 2) << "escape chose nothing";
    }
}

TEST_F(ListMenuTest, ChoosingAnItemDeletesRows) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) AppendSourceRow(*window, std::string("C:\\") + name, name, "0*0");

    Seen seen = RightClick(OnRow(1), {VK_DOWN, VK_RETURN});  // "删除选中"
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(Column(SourceImageRow::序号), (std::vector<std::string>{"1", "3"}));

    seen = RightClick(BelowRows(), {VK_DOWN, VK_RETURN});  // grey "删除选中": nothing happens
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(Rows(), 2);

    seen = RightClick(BelowRows(), {VK_UP, VK_RETURN});  // "删除全部" works without a selection
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(SourceListTest, ClearingMarksEmptiesEveryStatus) {
    const char* marks[] = {"修改成功", "正在执行", "", "修改成功"};
    for (const char* mark : marks) {
        const int row = AppendSourceRow(*window, "C:\\x.bmp", "x.bmp", "0*0");
        SetSourceCell(List(), row, SourceImageRow::状态, mark);
    }
    EXPECT_EQ(CountPendingRows(List()), 1);
    Click(按钮_清除标识);
    EXPECT_EQ(Column(SourceImageRow::状态), std::vector<std::string>(4, ""));
    EXPECT_EQ(CountPendingRows(List()), 4);
    EXPECT_EQ(Column(SourceImageRow::名称), std::vector<std::string>(4, "x.bmp")) << "only 状态 is touched";
}

TEST_F(SourceListTest, FindRowByCellMatchesExactlyFromTheFirstRowGiven) {
    struct Row {
        const char* name;
        const char* mark;
    };
    const Row rows[] = {{"a.bmp", "修改成功"}, {"B.bmp", "正在执行"}, {"c.bmp", ""}, {"a.bmp", ""}};
    for (const Row& r : rows) {
        const int row = AppendSourceRow(*window, std::string("C:\\") + r.name, r.name, "0*0");
        SetSourceCell(List(), row, SourceImageRow::状态, r.mark);
    }
    struct Case {
        const char* text;
        int column;
        int first;
        int want;
    };
    const Case cases[] = {
        {"", 4, 0, 2},          {"", 4, 3, 3},           {"", 4, 4, -1},       {"", 4, -5, 2},
        {"修改成功", 4, 0, 0},  {"修改成功", 4, 1, -1},  {"正在执行", 4, 0, 1}, {"修改", 4, 0, -1},
        {"a.bmp", 2, 1, 3},     {"b.bmp", 2, 0, -1},     {"B.bmp", 2, 0, 1},   {"3", 0, 0, 2},
        {"", 5, 0, -1},         {"", -1, 0, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindRowByCell(List(), c.text, c.column, c.first), c.want)
            << '"' << c.text << "\" column " << c.column << " from " << c.first;
    }
    EXPECT_EQ(FindRowByCell(List(), "", SourceImageRow::状态), 2) << "the first row looked at is 0 by default";
}

TEST(LastPathPart, IsTheTextAfterTheLastBackslash) {
    struct Case {
        const char* path;
        const char* want;
    };
    const Case cases[] = {
        {"D:\\pics\\a.jpg", "a.jpg"}, {"a.jpg", "a.jpg"},     {"", ""},
        {"D:\\pics\\", ""},           {"\\x", "x"},           {"D:\\淺\\b.jpg", "b.jpg"},
        {"D:\\dir\\淺", "淺"},        {"淺.jpg", "淺.jpg"},   {"C:\\图片\\新 建.bmp", "新 建.bmp"},
    };
    for (const Case& c : cases) EXPECT_EQ(LastPathPart(c.path), c.want) << c.path;
}

// Workers reach the list through sent messages: the window thread does the work while it waits
// with its messages dispatched.
TEST_F(SourceListTest, AWorkerReadsAndWritesCellsWhileTheWindowThreadDispatches) {
    for (int i = 0; i < 3; ++i) AppendSourceRow(*window, "C:\\w.bmp", "w.bmp", "0*0");
    const HWND target = List();
    // Shared with the worker, which outlives the test if it never gets its answers.
    auto seen = std::make_shared<std::pair<int, int>>(-2, -2);
    ASSERT_TRUE(testsupport::RunWorkerWhilePumping([target, seen] {
        SetSourceCell(target, 0, SourceImageRow::状态, "正在执行");
        seen->first = FindRowByCell(target, "", SourceImageRow::状态);
        seen->second = CountPendingRows(target);
    })) << "the worker's sends were never served";
    EXPECT_EQ(seen->first, 1) << "the first pending row";
    EXPECT_EQ(seen->second, 2) << "pending rows";
    EXPECT_EQ(SourceCell(List(), 0, SourceImageRow::状态), "正在执行");
}

}  // namespace
