// "裁剪图片" through the real window: what the crop view shows goes into the storage folder, and
// the source goes only when asked and when that is safe.
#include "CropViewFixture.h"

#include "common/FileBytes.h"
#include "common/TimeText.h"
#include "crop/CropSave.h"
#include "crop/LogPanel.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {
using croptest::CropViewTest;
using croptest::Pump;
using croptest::ReadRendered;
using croptest::TempFolder;

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class CropSaveTest : public CropViewTest {
protected:
    // A picture loaded into the view as a click on its row loads it; gives its path.
    std::string Load(const std::string& name) {
        const std::string path = PictureFile(name, croptest::BmpBytes(40, 30));
        ClickNewRow(path);
        return path;
    }
    void SetStorage(const std::string& folder) { SetWindowTextA(C(编辑框_裁剪图片存放路径), folder.c_str()); }
    void TickDeletion(bool on) {
        SendMessageA(C(选择框_删除原路径图片), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void Save() {
        messages.clear();
        Click(按钮_裁剪图片);
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const int count = static_cast<int>(SendMessageA(C(列表框_日志), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[512] = {};
            SendMessageA(C(列表框_日志), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            lines.push_back(std::string(text).substr(FormatNow().size()));
        }
        return lines;
    }
    std::string Said() const { return messages.empty() ? std::string() : messages.back().text; }
    TempFolder storage{"crops"};
};

TEST_F(CropSaveTest, TheCropIsNamedByThePicturesFirstNamePartAndHoldsTheWholeView) {
    struct Case {
        const char* name;
        const char* file;
    };
    const Case cases[] = {{"photo.jpg", "photo.jpg"}, {"a.b.c.jpg", "a.jpg"}, {".x.jpg", ".jpg"}, {"noext", "noext.jpg"}};
    SetStorage(storage.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.name);
        SetWindowTextA(C(编辑框_裁剪图片存放路径), storage.Path().c_str());
        Save();
        const std::string saved = ReadWholeFile(storage.Path() + "\\" + c.file);
        ASSERT_EQ(saved.size(), 316u * 372 * 4 + 54);
        EXPECT_EQ(saved.substr(0, 2), "BM");
        EXPECT_EQ(croptest::Le32(saved, 2), 316u * 372 * 4 + 54) << "bfSize";
        EXPECT_EQ(saved, View().RenderRegion(0, 0, 316, 372, View().BackgroundColor()));
        EXPECT_EQ(LogLines(), std::vector<std::string>{" 修改图片成功"});
        EXPECT_EQ(Said(), "保存成功");
    }
    EXPECT_EQ(FirstNamePart(""), "");
}

TEST_F(CropSaveTest, TheSavedPixelsAreWhatTheViewShowsAfterADragAZoomAndATurn) {
    Load("moved.bmp");
    SendMessageA(ViewWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(ViewWindow(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 90));
    SendMessageA(ViewWindow(), WM_LBUTTONUP, 0, MAKELPARAM(70, 90));
    for (int i = 0; i < 5; ++i) Click(超级按钮_放大);
    Click(超级按钮_旋转);
    SetStorage(storage.Path());
    Save();
    const croptest::Rendered saved = ReadRendered(ReadWholeFile(storage.Path() + "\\moved.jpg"));
    const croptest::Rendered shown = RenderAll();
    ASSERT_EQ(saved.width, 316);
    EXPECT_EQ(saved.pixels, shown.pixels);
    int picture = 0;
    for (uint32_t p : saved.pixels) picture += p != croptest::kWhite;
    // 40 × 30 at 500 thousandths, turned: 15 × 20 pixels of the picture, the rest white.
    EXPECT_EQ(picture, 15 * 20) << "the moved, zoomed and turned picture is in it";
}

TEST_F(CropSaveTest, NothingLoadedYetSavesThePlaceholderAsTheViewDrawsIt) {
    SetStorage(storage.Path());
    Save();
    const std::string saved = ReadWholeFile(storage.Path() + "\\.jpg");
    EXPECT_EQ(saved, View().RenderRegion(0, 0, 316, 372, View().BackgroundColor()));
    EXPECT_EQ(Said(), "保存成功");
}

TEST_F(CropSaveTest, AFileOfTheSameNameIsOverwrittenWithoutAsking) {
    Load("same.bmp");
    const std::string earlier = storage.File("same.jpg", "an earlier crop");
    SetStorage(storage.Path() + "\\");  // a folder given with its separator takes no second one
    Save();
    EXPECT_EQ(ReadWholeFile(earlier).size(), 316u * 372 * 4 + 54);
    EXPECT_EQ(messages.size(), 1u) << "no question, only the result";
    EXPECT_EQ(Said(), "保存成功");
}

TEST_F(CropSaveTest, WhatEachStateOfTheFormSays) {
    struct Case {
        const char* what;
        bool storage, tick, clearSource, removeSource;
        const char* message;
        std::vector<std::string> log;
        bool sourceStays;
    };
    const Case cases[] = {
        {"no storage folder", false, true, false, false, "请选择存放路径", {}, true},
        {"deletion not ticked", true, false, false, false, "保存成功", {" 修改图片成功"}, true},
        {"deletion ticked", true, true, false, false, "文件已删除", {" 修改图片成功", " 文件已删除"}, false},
        {"no source path", true, true, true, false, "没有删除路径", {" 修改图片成功"}, true},
        {"the source is missing", true, true, false, true, "文件不存在，删除失败", {" 修改图片成功"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = Load(std::string("s") + std::to_string(&c - cases) + ".bmp");
        AppendLogLine(C(列表框_日志), "an earlier line");
        SetStorage(c.storage ? storage.Path() : "");
        TickDeletion(c.tick);
        if (c.clearSource) SetWindowTextA(C(编辑框_裁剪图片原路径), "");
        if (c.removeSource) DeleteFileA(source.c_str());
        Save();
        EXPECT_EQ(Said(), c.message);
        EXPECT_EQ(messages[0].caption, "信息：");
        EXPECT_EQ(LogLines(), c.log) << "the log was cleared first";
        EXPECT_EQ(IsFile(source), c.sourceStays);
        const std::string crop = storage.Path() + "\\s" + std::to_string(&c - cases) + ".jpg";
        EXPECT_EQ(IsFile(crop), c.storage) << "the crop is written whenever a folder is given";
    }
}

// The mends: a write that fails keeps everything as it was and says so; a crop written over its
// own source is not deleted; a source that will not go is given up after about 2 seconds.
TEST_F(CropSaveTest, AWriteThatFailsKeepsTheEarlierFileAndTheSource) {
    struct Case {
        const char* what;
        std::function<void()> block;
    };
    const std::string target = storage.Path() + "\\locked.jpg";
    const Case cases[] = {
        {"a read-only file of that name",
         [&] {
             storage.File("locked.jpg", "the earlier crop");
             SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
         }},
        {"a folder of that name", [&] { storage.Folder("locked.jpg"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string source = Load("locked.bmp");
        c.block();
        SetStorage(storage.Path());
        TickDeletion(true);
        Save();
        EXPECT_EQ(Said(), "保存失败：" + target);
        EXPECT_EQ(LogLines(), std::vector<std::string>{" 保存图片失败"});
        EXPECT_TRUE(IsFile(source)) << "nothing is deleted after a failed write";
        if (IsFile(target)) {
            EXPECT_EQ(ReadWholeFile(target), "the earlier crop");
            SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(target.c_str());
        } else {
            RemoveDirectoryA(target.c_str());
        }
    }
}

TEST_F(CropSaveTest, ACropWrittenOverItsOwnSourceIsKept) {
    const std::string source = Load("self.jpg");
    struct Case {
        const char* what;
        std::string folder;
    };
    std::string upper = folder.Path();
    CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    const Case cases[] = {{"the same folder", folder.Path()}, {"the same folder in capitals", upper},
                          {"the same folder by a detour", folder.Path() + "\\.\\sub\\.."}};
    CreateDirectoryA((folder.Path() + "\\sub").c_str(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetStorage(c.folder);
        TickDeletion(true);
        Save();
        EXPECT_EQ(Said(), "保存成功");
        EXPECT_EQ(ReadWholeFile(source).size(), 316u * 372 * 4 + 54) << "the crop replaced the source and stays";
    }
}

TEST_F(CropSaveTest, ASourceThatWillNotGoIsGivenUpWhileTheWindowKeepsAnswering) {
    struct Case {
        const char* what;
        bool readOnly;
    };
    for (const Case& c : {Case{"read-only", true}, Case{"held open by another program", false}}) {
        SCOPED_TRACE(c.what);
        const std::string source = Load(c.readOnly ? "readonly.bmp" : "held.bmp");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.readOnly) SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY);
        else held = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        SetStorage(storage.Path());
        TickDeletion(true);
        // Another thread asks the window a question every 50 ms meanwhile.
        std::atomic<bool> stop{false};
        std::atomic<DWORD> slowest{0};
        std::thread asker([&] {
            while (!stop) {
                const DWORD start = GetTickCount();
                SendMessageTimeoutA(window->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
                slowest = std::max<DWORD>(slowest, GetTickCount() - start);
                Sleep(50);
            }
        });
        const DWORD start = GetTickCount();
        Save();
        const DWORD took = GetTickCount() - start;
        stop = true;
        asker.join();
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(Said(), "文件删除失败");
        EXPECT_EQ(LogLines(), (std::vector<std::string>{" 修改图片成功", " 文件删除失败"}));
        EXPECT_TRUE(IsFile(source));
        EXPECT_EQ((GetFileAttributesA(source.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly)
            << "its attributes are never changed to force it";
        EXPECT_GE(took, 1900u);
        EXPECT_LT(took, 6000u);
        EXPECT_LT(slowest.load(), 1000u) << "the window answered while it waited";
        SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(CropSaveTest, TheStorageFolderIsChosenWithItsTitleAndACancelChangesNothing) {
    SetStorage("C:\\before");
    folderAnswer = "";
    Click(按钮_存放路径);
    EXPECT_EQ(testsupport::TextOf(C(编辑框_裁剪图片存放路径)), "C:\\before");
    folderAnswer = storage.Path();
    Click(按钮_存放路径);
    EXPECT_EQ(testsupport::TextOf(C(编辑框_裁剪图片存放路径)), storage.Path());
    ASSERT_EQ(browserTitles.size(), 2u);
    EXPECT_EQ(browserTitles[0], "选择裁剪图片存放路径");
}

}  // namespace
