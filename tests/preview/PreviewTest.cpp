#include "PreviewFixture.h"

#include "app/MainWindow.h"
#include "common/ProgramFolder.h"
#include "verify/FolderScan.h"
#include "verify/PreviewPicture.h"

namespace {
using namespace previewtest;

constexpr COLORREF kQuadrants[4] = {RGB(220, 30, 30), RGB(30, 200, 40), RGB(20, 40, 210), RGB(240, 230, 20)};

// The placeholder file of the program's folder, put back out of the way around a test.
class PlaceholderFileGuard {
public:
    PlaceholderFileGuard() { Clear(); }
    ~PlaceholderFileGuard() { Clear(); }
    PlaceholderFileGuard(const PlaceholderFileGuard&) = delete;
    PlaceholderFileGuard& operator=(const PlaceholderFileGuard&) = delete;

private:
    static void Clear() {
        const std::string path = PlaceholderFilePath();
        DeleteFileA(path.c_str());
        RemoveDirectoryA(path.c_str());
    }
};

TEST_F(PreviewTest, SelectingARowShowsItsNumberAndClicksOffTheDataCellsChangeNothing) {
    TempFolder folder("select");
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) folder.File(name, "text");
    Scan(folder);
    ASSERT_EQ(Grid().RowCount(), 5);

    ClickRow(3);
    EXPECT_EQ(Grid().CurrentRow(), 3);
    EXPECT_EQ(TextOf(C(编辑框_序号)), "3");
    const std::string caption = "[ " + Grid().CellText(3, 2) + " ]非图片文件";
    EXPECT_EQ(TextOf(C(标签_标识)), caption);

    struct Case {
        const char* what;
        POINT at;
    };
    const Case cases[] = {
        {"a header cell", CellPoint(0, 1)},
        {"the fixed 编号 cell of another row", CellPoint(1, 0)},
        {"below the last row", CellPoint(6, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetWindowTextA(C(标签_分辨率), "untouched");
        ClickGridAt(c.at);
        EXPECT_EQ(Grid().CurrentRow(), 3);
        EXPECT_EQ(TextOf(C(编辑框_序号)), "3");
        EXPECT_EQ(TextOf(C(标签_标识)), caption);
        EXPECT_EQ(TextOf(C(标签_分辨率)), "untouched");
    }
}

TEST_F(PreviewTest, APictureRowShowsTheGreenCaptionAndTheMeasuredSize) {
    TempFolder folder("pictures");
    Copy(folder, "verify-640x480.jpg", "a.jpg");
    Copy(folder, "verify-500x500.png", "square.png");
    Copy(folder, "verify-20x10.pcx", "old.pcx");
    folder.File("quads.bmp", QuadrantBmp(60, 40, kQuadrants));
    Scan(folder);
    struct Case {
        const char* name;
        const char* resolution;
    };
    // GDI+ cannot measure a PCX picture, which still decodes and so shows as a picture.
    const Case cases[] = {{"a.jpg", "640*480"}, {"square.png", "500*500"}, {"old.pcx", "0*0"}, {"quads.bmp", "60*40"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int row = RowOf(c.name);
        ASSERT_GT(row, 0);
        ClickRow(row);
        EXPECT_EQ(TextOf(C(编辑框_序号)), std::to_string(row));
        EXPECT_EQ(TextOf(C(标签_标识)), std::string("[ ") + c.name + " ]显示正常");
        EXPECT_EQ(GetLabelTextColor(C(标签_标识)), kGreen);
        EXPECT_EQ(TextOf(C(标签_分辨率)), c.resolution);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(PreviewTest, ThePictureIsSqueezedIntoThePanel) {
    TempFolder folder("pixels");
    folder.File("quads.bmp", QuadrantBmp(60, 40, kQuadrants));
    Scan(folder);
    for (int y = 0; y < kPanelHeight; y += 23)
        for (int x = 0; x < kPanelWidth; x += 23) ASSERT_EQ(PanelPixel(x, y), RGB(255, 255, 255)) << "white at first";

    ClickRow(1);
    // Each quadrant fills its quarter of the 183 × 208 panel, whatever the picture's own size.
    const struct {
        int x, y;
        COLORREF color;
    } samples[] = {{2, 2, kQuadrants[0]},    {45, 52, kQuadrants[0]},   {80, 90, kQuadrants[0]},
                   {102, 2, kQuadrants[1]},  {180, 90, kQuadrants[1]},  {2, 118, kQuadrants[2]},
                   {80, 205, kQuadrants[2]}, {102, 118, kQuadrants[3]}, {180, 205, kQuadrants[3]}};
    for (const auto& s : samples) {
        const COLORREF seen = PanelPixel(s.x, s.y);
        EXPECT_TRUE(Near(seen, s.color)) << s.x << "," << s.y << ": " << std::hex << seen << " for " << s.color;
    }
}

TEST_F(PreviewTest, AFileThatIsNoPictureShowsThePlaceholderWrittenToTheProgramFolder) {
    PlaceholderFileGuard guard;
    TempFolder folder("placeholder");
    folder.File("notes.txt", std::string(100, 'a'));
    folder.File("stub.jpg", std::string("\xFF\xD8\x01\x02\x03\x04\x05", 7));
    folder.File("gone.png", "soon deleted");
    folder.File("quads.bmp", QuadrantBmp(60, 40, kQuadrants));
    Scan(folder);
    ASSERT_TRUE(DeleteFileA((folder.Path() + "\\gone.png").c_str()));
    const std::string placeholderFile = ProgramFolder() + "\\tmp.jpg";
    ASSERT_EQ(PlaceholderFilePath(), placeholderFile);

    // The embedded placeholder: a 733 × 587 PNG with an alpha channel (colour type 6).
    const std::string placeholder = PlaceholderPictureBytes();
    ASSERT_GT(placeholder.size(), 33u);
    EXPECT_EQ(placeholder.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
    EXPECT_EQ(placeholder.substr(12, 4), "IHDR");
    EXPECT_EQ(placeholder.substr(16, 8), std::string("\0\0\x02\xDD\0\0\x02\x4B", 8));
    EXPECT_EQ(placeholder[25], '\x06');

    std::vector<COLORREF> placeholderShown;
    for (const char* name : {"notes.txt", "stub.jpg", "gone.png"}) {
        SCOPED_TRACE(name);
        ClickRow(RowOf("quads.bmp"));  // something else on the panel first
        const std::vector<COLORREF> before = PanelSamples();
        // Rewritten each time, whatever the file held.
        HANDLE stale = CreateFileA(placeholderFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(stale, INVALID_HANDLE_VALUE);
        CloseHandle(stale);

        ClickRow(RowOf(name));
        EXPECT_EQ(TextOf(C(标签_标识)), std::string("[ ") + name + " ]非图片文件");
        EXPECT_EQ(GetLabelTextColor(C(标签_标识)), kRed);
        EXPECT_EQ(TextOf(C(标签_分辨率)), "0*0");
        EXPECT_EQ(ReadWholeFile(placeholderFile), placeholder) << "tmp.jpg holds the PNG bytes unchanged";
        const std::vector<COLORREF> after = PanelSamples();
        EXPECT_NE(after, before) << "the panel changed";
        if (placeholderShown.empty()) placeholderShown = after;
        EXPECT_EQ(after, placeholderShown) << "the same placeholder every time";
    }

    // The placeholder drawn is the file tmp.jpg drawn as a picture.
    ASSERT_TRUE(CopyFileA(placeholderFile.c_str(), (folder.Path() + "\\copy.png").c_str(), FALSE));
    const int copyRow = AddRecordRow(*window, folder.Path() + "\\", "copy.png");
    ClickRow(RowOf("quads.bmp"));
    ClickRow(copyRow);
    EXPECT_EQ(TextOf(C(标签_标识)), "[ copy.png ]显示正常");
    EXPECT_EQ(TextOf(C(标签_分辨率)), "733*587");
    EXPECT_EQ(PanelSamples(), placeholderShown);
}

TEST_F(PreviewTest, APlaceholderFileThatCannotBeWrittenLeavesThePanelAsItWas) {
    PlaceholderFileGuard guard;
    ASSERT_TRUE(CreateDirectoryA(PlaceholderFilePath().c_str(), nullptr)) << "a folder stands in the file's way";
    TempFolder folder("blocked");
    folder.File("quads.bmp", QuadrantBmp(60, 40, kQuadrants));
    folder.File("notes.txt", "text");
    Scan(folder);
    ClickRow(RowOf("quads.bmp"));
    const std::vector<COLORREF> shown = PanelSamples();

    ClickRow(RowOf("notes.txt"));
    EXPECT_EQ(PanelSamples(), shown);
    EXPECT_EQ(TextOf(C(标签_标识)), "[ notes.txt ]非图片文件");
    EXPECT_EQ(GetLabelTextColor(C(标签_标识)), kRed);
    EXPECT_EQ(TextOf(C(标签_分辨率)), "0*0");
}

TEST_F(PreviewTest, ThePreviewIgnoresTheRowsResults) {
    TempFolder folder("fresh");
    Copy(folder, "verify-500x500.png", "p.png");
    Scan(folder);
    Grid().SetCellText(1, 5, "失败");
    Grid().SetCellText(1, 6, "非图片文件，或者图片不存在");
    Grid().SetCellText(1, 4, "0*0");
    ClickRow(1);
    EXPECT_EQ(TextOf(C(标签_标识)), "[ p.png ]显示正常");
    EXPECT_EQ(TextOf(C(标签_分辨率)), "500*500");
}

}  // namespace
