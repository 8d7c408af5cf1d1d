#include "ui/Controls.h"
#include "app/MainWindow.h"
#include "common/ProgramFolder.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string TextOf(HWND hwnd) {
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ClassOf(HWND hwnd) {
    char name[128] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// What a control must be, told apart by its window class and, for the stock classes, the style
// bits that make the kind.
enum class Kind { Tab, Group, Panel, Picture, Label, TLabel, Edit, Numeric, ReadOnly, Push, Owner, Check, Radio,
                  Grid, List, ListBox, Canvas, Template, Shape };

struct Expected {
    ControlId id;
    ControlId parent;
    Kind kind;
    int x, y, w, h;
    const char* text;
};

// The designed layout of both pages, written out independently of the program's own table.
const Expected kLayout[] = {
    {选择夹1, kMainWindowId, Kind::Tab, 3, 3, 965, 560, ""},
    {分组框3, kMainWindowId, Kind::Group, 992, 32, 321, 384, ""},
    {画板_裁剪图, 分组框3, Kind::Panel, 8, 8, 120, 144, ""},
    {图片框_背景1, 选择夹1, Kind::Picture, 2, 22, 968, 530, ""},
    {标签4, 选择夹1, Kind::Label, 8, 25, 56, 24, "图片路径:"},
    {编辑框_路径, 选择夹1, Kind::Edit, 68, 27, 392, 20, nullptr},
    {按钮_选择, 选择夹1, Kind::Push, 468, 24, 80, 23, "选择"},
    {标签1, 选择夹1, Kind::Label, 555, 24, 56, 24, "总记录数："},
    {编辑框_记录数量, 选择夹1, Kind::ReadOnly, 612, 25, 73, 20, ""},
    {标签11, 选择夹1, Kind::Label, 725, 24, 56, 24, "任务状态："},
    {标签_任务状态, 选择夹1, Kind::Label, 789, 24, 176, 24, ""},
    {高级表格1, 选择夹1, Kind::Grid, 5, 52, 744, 500, ""},
    {分组框1, 选择夹1, Kind::Group, 752, 45, 208, 160, ""},
    {标签3, 分组框1, Kind::Label, 8, 8, 56, 24, "线程数量："},
    {编辑框_线程数量, 分组框1, Kind::Numeric, 72, 9, 80, 20, "10"},
    {选择框_现在分辨率, 分组框1, Kind::Check, 8, 41, 48, 24, "限制"},
    {标签5, 分组框1, Kind::Label, 62, 40, 26, 24, "宽度"},
    {编辑框1, 分组框1, Kind::Numeric, 89, 41, 40, 20, "500"},
    {标签6, 分组框1, Kind::Label, 136, 40, 24, 24, "高度"},
    {编辑框2, 分组框1, Kind::Numeric, 164, 41, 40, 20, "500"},
    {按钮_清除验证, 分组框1, Kind::Push, 8, 88, 80, 32, "清除验证"},
    {按钮_验证图片, 分组框1, Kind::Push, 112, 88, 88, 32, "验证图片"},
    {标签_验证结果, 分组框1, Kind::Label, 5, 128, 200, 24, "验证结果："},
    {分组框2, 选择夹1, Kind::Group, 752, 207, 208, 345, ""},
    {标签2, 分组框2, Kind::Label, 8, 14, 48, 24, "图片序号"},
    {编辑框_序号, 分组框2, Kind::ReadOnly, 64, 14, 80, 20, ""},
    {画板1, 分组框2, Kind::Panel, 12, 51, 183, 208, ""},
    {标签_标识, 分组框2, Kind::Label, 2, 265, 200, 24, ""},
    {标签_分辨率, 分组框2, Kind::Label, 5, 313, 200, 24, ""},
    {图片框_背景2, 选择夹1, Kind::Picture, 2, 22, 968, 530, ""},
    {按钮_清除标识, 图片框_背景2, Kind::Push, 563, 7, 64, 25, "清除标识"},
    {分组框4, 图片框_背景2, Kind::Group, 3, 366, 624, 81, "批量修改分辨率"},
    {标签12, 分组框4, Kind::Label, 8, 17, 40, 24, "宽度："},
    {编辑框_修改宽度, 分组框4, Kind::Numeric, 40, 19, 64, 20, "304"},
    {标签13, 分组框4, Kind::Label, 104, 17, 40, 24, "高度："},
    {编辑框_修改高度, 分组框4, Kind::Numeric, 136, 18, 64, 20, "365"},
    {单选框_宽度, 分组框4, Kind::Radio, 208, 18, 48, 24, "宽度"},
    {单选框_高度, 分组框4, Kind::Radio, 272, 18, 48, 24, "高度"},
    {选择框_按比例, 分组框4, Kind::Check, 336, 18, 56, 24, "按比例"},
    {标签14, 分组框4, Kind::Label, 424, 17, 56, 24, "线程数量:"},
    {编辑框_修改分辨率线程, 分组框4, Kind::Numeric, 480, 19, 56, 20, "10"},
    {标签8, 分组框4, Kind::Label, 9, 47, 24, 24, "路径"},
    {编辑框_修改存储路径, 分组框4, Kind::Edit, 40, 50, 416, 20, ""},
    {按钮_选择分辨率修改路径, 分组框4, Kind::Push, 438, 52, 16, 16, "▲"},
    {按钮_批量修改分辨率, 分组框4, Kind::Push, 459, 47, 80, 25, "修改分辨率"},
    {按钮_存放路径, 图片框_背景2, Kind::Push, 899, 442, 56, 24, "存放路径"},
    {编辑框_裁剪图片存放路径, 图片框_背景2, Kind::Edit, 635, 444, 264, 20, ""},
    {选择框_删除原路径图片, 图片框_背景2, Kind::Check, 635, 479, 112, 24, "删除原路径图片"},
    {标签7, 选择夹1, Kind::Label, 7, 30, 72, 24, "源图片目录："},
    {编辑框_裁剪文件路径, 选择夹1, Kind::Edit, 74, 32, 312, 20, ""},
    {按钮_选择图片路径, 选择夹1, Kind::Push, 388, 29, 80, 25, "选择图片路径"},
    {按钮_单文件选择, 选择夹1, Kind::Push, 477, 29, 64, 25, "单个处理"},
    {超级列表框1, 选择夹1, Kind::List, 5, 56, 624, 328, ""},
    {列表框_日志, 选择夹1, Kind::ListBox, 5, 476, 624, 80, ""},
    {分组框_裁剪, 选择夹1, Kind::Group, 637, 24, 321, 384, ""},
    {动画框1, 分组框_裁剪, Kind::Canvas, 2, 8, 316, 372, ""},
    {动画物体1, 分组框_裁剪, Kind::Template, 3, 8, 104, 168, ""},
    {外形框2, 分组框_裁剪, Kind::Shape, 0, 8, 4, 381, ""},
    {外形框1, 分组框_裁剪, Kind::Shape, 319, 6, 4, 381, ""},
    {外形框3, 分组框_裁剪, Kind::Shape, 2, 7, 314, 4, ""},
    {外形框4, 分组框_裁剪, Kind::Shape, 0, 382, 314, 1, ""},
    {透明标签1, 分组框_裁剪, Kind::TLabel, 111, -12, 100, 32, "316*372"},
    {超级按钮_放大, 选择夹1, Kind::Owner, 684, 410, 64, 24, "放大"},
    {超级按钮_缩小, 选择夹1, Kind::Owner, 767, 410, 64, 24, "缩小"},
    {超级按钮_旋转, 选择夹1, Kind::Owner, 851, 410, 64, 24, "旋转"},
    {标签9, 选择夹1, Kind::Label, 636, 435, 32, 24, "名称："},
    {编辑框_裁剪名, 选择夹1, Kind::ReadOnly, 669, 438, 87, 20, ""},
    {标签10, 选择夹1, Kind::Label, 764, 436, 32, 24, "路径："},
    {编辑框_裁剪图片原路径, 选择夹1, Kind::ReadOnly, 796, 438, 161, 20, ""},
    {按钮_裁剪图片, 选择夹1, Kind::Push, 749, 496, 80, 32, "裁剪图片"},
};

bool IsKind(HWND hwnd, Kind kind) {
    const std::string cls = ClassOf(hwnd);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    const LONG buttonType = style & BS_TYPEMASK;
    const bool readOnly = (style & ES_READONLY) != 0;
    switch (kind) {
    case Kind::Tab: return cls == WC_TABCONTROLA;
    case Kind::Group: return cls == "Button" && buttonType == BS_GROUPBOX;
    case Kind::Panel: return cls == kDrawingPanelClass;
    case Kind::Picture: return cls == kPictureBoxClass;
    case Kind::Label: return cls == kLabelClass;
    case Kind::TLabel: return cls == kTransparentLabelClass && (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    case Kind::Edit:
    case Kind::Numeric: return cls == "Edit" && !readOnly;
    case Kind::ReadOnly: return cls == "Edit" && readOnly;
    case Kind::Push: return cls == "Button" && buttonType == BS_PUSHBUTTON;
    case Kind::Owner: return cls == "Button" && buttonType == BS_OWNERDRAW;
    case Kind::Check: return cls == "Button" && buttonType == BS_AUTOCHECKBOX;
    case Kind::Radio: return cls == "Button" && buttonType == BS_AUTORADIOBUTTON;
    case Kind::Grid: return cls == "QuillmereRecordGrid";
    case Kind::List: return cls == WC_LISTVIEWA && (style & LVS_TYPEMASK) == LVS_REPORT;
    case Kind::ListBox: return cls == "ListBox";
    case Kind::Canvas: return cls == "QuillmereSpriteCanvas";
    case Kind::Template: return cls == kSpriteTemplateClass;
    case Kind::Shape: return cls == kShapeBoxClass;
    }
    return false;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = MainWindow::Create(GetModuleHandleA(nullptr));
        ASSERT_NE(window, nullptr);
        Pump();
    }
    void TearDown() override {
        if (MainWindow::Current()) DestroyWindow(MainWindow::Current()->Handle());
        // The window posts WM_QUIT as it goes; the next test must not inherit it.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    static void Pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    HWND C(ControlId id) const { return window->Control(id); }
    RECT RectInParent(HWND hwnd) const {
        RECT rect;
        GetWindowRect(hwnd, &rect);
        MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool Checked(ControlId id) const { return SendMessageA(C(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // A real click on a tab: the control itself raises the page-change notification.
    void ClickTab(int index) {
        RECT tab;
        SendMessageA(C(选择夹1), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&tab));
        const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        SendMessageA(C(选择夹1), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(C(选择夹1), WM_LBUTTONUP, 0, at);
        Pump();
    }
    MainWindow* window = nullptr;
};

TEST_F(MainWindowTest, TheWindowHasItsCaptionPlaceAndSize) {
    HWND hwnd = window->Handle();
    EXPECT_EQ(TextOf(hwnd), "Quillmere");
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.top, 50);
    EXPECT_EQ(rect.right - rect.left, 973);
    EXPECT_EQ(rect.bottom - rect.top, 593);
    EXPECT_EQ(GetMenu(hwnd), nullptr) << "no menu bar";
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(MainWindowTest, EveryControlIsInPlaceUnderItsParentOfItsKindWithItsText) {
    const std::string programFolder = ProgramFolder();
    for (const Expected& e : kLayout) {
        SCOPED_TRACE(testing::Message() << "control id " << e.id);
        HWND hwnd = GetDlgItem(C(e.parent), e.id);
        ASSERT_NE(hwnd, nullptr) << "no child with this id under its parent";
        EXPECT_EQ(hwnd, C(e.id));
        EXPECT_TRUE(IsKind(hwnd, e.kind)) << "class " << ClassOf(hwnd);
        const RECT r = RectInParent(hwnd);
        EXPECT_EQ(r.left, e.x);
        EXPECT_EQ(r.top, e.y);
        EXPECT_EQ(r.right - r.left, e.w);
        EXPECT_EQ(r.bottom - r.top, e.h);
        EXPECT_EQ(TextOf(hwnd), e.text ? std::string(e.text) : programFolder);
    }
}

TEST_F(MainWindowTest, StartStatesAfterInitMainWindow) {
    EXPECT_TRUE(Checked(选择框_现在分辨率));
    EXPECT_TRUE(Checked(单选框_宽度));
    EXPECT_FALSE(Checked(单选框_高度));
    EXPECT_FALSE(Checked(选择框_按比例));
    EXPECT_FALSE(Checked(选择框_删除原路径图片));
    EXPECT_FALSE(ProgramFolder().empty());
    EXPECT_NE(ProgramFolder().back(), '\\');
    EXPECT_EQ(TextOf(C(编辑框_路径)), ProgramFolder());

    EXPECT_EQ(SendMessageA(C(选择夹1), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(C(选择夹1), TCM_GETCURSEL, 0, 0), 0) << "the page 校验图片 is shown";
    EXPECT_TRUE(IsWindowVisible(C(高级表格1)));
    EXPECT_TRUE(IsWindowVisible(C(按钮_验证图片)));
    EXPECT_FALSE(IsWindowVisible(C(超级列表框1)));
    EXPECT_FALSE(IsWindowVisible(C(按钮_清除标识)));
    EXPECT_FALSE(IsWindowVisible(C(动画物体1))) << "the sprite template is never shown";

    char tab[32] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = tab;
    item.cchTextMax = sizeof tab;
    const char* pages[] = {"校验图片", "裁剪图片"};
    for (int i = 0; i < 2; ++i) {
        SendMessageA(C(选择夹1), TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(tab, pages[i]);
    }

    const char* columns[] = {"序号", "图片路径", "名称", "分辨率", "状态"};
    const int widths[] = {40, 300, 86, 82, 65};
    HWND header = reinterpret_cast<HWND>(SendMessageA(C(超级列表框1), LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
    for (int i = 0; i < 5; ++i) {
        char text[32] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        SendMessageA(C(超级列表框1), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(text, columns[i]);
        EXPECT_EQ(column.cx, widths[i]);
    }
}

TEST_F(MainWindowTest, HiddenGroupAndPanelLieOutsideTheWindow) {
    RECT client;
    GetClientRect(window->Handle(), &client);
    for (ControlId id : {分组框3, 画板_裁剪图}) {
        RECT r;
        GetWindowRect(C(id), &r);
        MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&r), 2);
        RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &r, &client)) << id;
    }
}

TEST_F(MainWindowTest, PopupMenusHoldTheirItems) {
    struct MenuCase {
        HMENU menu;
        const char* items[2];
        int commands[2];
    };
    const MenuCase cases[] = {
        {window->ParameterMenu(), {"导出超分辨率图片", "导出失败名单"}, {菜单_导出超分辨率图片, 菜单_导出失败名单}},
        {window->CropMenu(), {"删除选中", "删除全部"}, {菜单_删除选中, 菜单_删除全部}},
    };
    for (const MenuCase& c : cases) {
        ASSERT_NE(c.menu, nullptr);
        ASSERT_EQ(GetMenuItemCount(c.menu), 2);
        for (int i = 0; i < 2; ++i) {
            char text[64] = {};
            GetMenuStringA(c.menu, i, text, sizeof text, MF_BYPOSITION);
            EXPECT_STREQ(text, c.items[i]);
            EXPECT_EQ(static_cast<int>(GetMenuItemID(c.menu, i)), c.commands[i]);
        }
    }
}

TEST_F(MainWindowTest, SwitchingPagesShowsOneAndKeepsBoth) {
    SetWindowTextA(C(编辑框_线程数量), "7");
    SendMessageA(C(选择框_按比例), BM_SETCHECK, BST_CHECKED, 0);

    ClickTab(1);
    EXPECT_EQ(SendMessageA(C(选择夹1), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsWindowVisible(C(超级列表框1)));
    EXPECT_TRUE(IsWindowVisible(C(按钮_清除标识)));
    EXPECT_TRUE(IsWindowVisible(C(动画框1)));
    EXPECT_FALSE(IsWindowVisible(C(高级表格1)));
    EXPECT_FALSE(IsWindowVisible(C(按钮_验证图片)));

    ClickTab(0);
    EXPECT_TRUE(IsWindowVisible(C(高级表格1)));
    EXPECT_FALSE(IsWindowVisible(C(超级列表框1)));
    EXPECT_EQ(TextOf(C(编辑框_线程数量)), "7");
    EXPECT_TRUE(Checked(选择框_按比例));
    EXPECT_TRUE(Checked(选择框_现在分辨率));
}

TEST_F(MainWindowTest, NumericInputRefusesLettersAndTakesDigitsAndMinus) {
    struct Typed {
        const char* keys;
        const char* want;
    };
    const Typed cases[] = {
        {"a", ""}, {"12", "12"}, {"-3", "-3"}, {"1 x.+2", "12"}, {"9\b", ""}, {"\xA3\xB1", ""},
    };
    for (ControlId id : {编辑框_线程数量, 编辑框1, 编辑框2, 编辑框_修改宽度, 编辑框_修改高度, 编辑框_修改分辨率线程}) {
        for (const Typed& t : cases) {
            SCOPED_TRACE(testing::Message() << "control " << id << " keys " << t.keys);
            SetWindowTextA(C(id), "");
            for (const char* k = t.keys; *k; ++k) SendMessageA(C(id), WM_CHAR, static_cast<unsigned char>(*k), 1);
            EXPECT_EQ(TextOf(C(id)), t.want);
        }
    }
    // An ordinary edit box takes letters: the filter is the numeric boxes' own.
    SetWindowTextA(C(编辑框_修改存储路径), "");
    SendMessageA(C(编辑框_修改存储路径), WM_CHAR, 'a', 1);
    EXPECT_EQ(TextOf(C(编辑框_修改存储路径)), "a");
}

TEST_F(MainWindowTest, ReadOnlyEditBoxesIgnoreTyping) {
    for (ControlId id : {编辑框_记录数量, 编辑框_序号, 编辑框_裁剪名, 编辑框_裁剪图片原路径}) {
        SetWindowTextA(C(id), "5");
        SendMessageA(C(id), WM_CHAR, '7', 1);
        EXPECT_EQ(TextOf(C(id)), "5") << id;
    }
}

TEST_F(MainWindowTest, LabelsPaintTheirTextInTheColourSet) {
    HWND label = C(标签_任务状态);
    EXPECT_EQ(GetLabelTextColor(label), RGB(0, 0, 0));
    SetWindowTextA(label, "正在执行检测.....");
    SetLabelTextColor(label, RGB(255, 0, 0));
    EXPECT_EQ(GetLabelTextColor(label), RGB(255, 0, 0));
    UpdateWindow(label);

    auto countColour = [&](COLORREF wanted) {
        HDC dc = GetDC(label);
        RECT client;
        GetClientRect(label, &client);
        int hits = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) hits += GetPixel(dc, x, y) == wanted;
        ReleaseDC(label, dc);
        return hits;
    };
    EXPECT_GT(countColour(RGB(255, 0, 0)), 10) << "the text is drawn in red";

    SetLabelTextColor(label, RGB(0, 128, 0));
    SetWindowTextA(label, "任务完成");
    UpdateWindow(label);
    EXPECT_EQ(countColour(RGB(255, 0, 0)), 0);
    EXPECT_GT(countColour(RGB(0, 128, 0)), 10);
}

// A caption past 511 bytes is painted whole, its last double-byte character included: the label
// is widened and painted into a bitmap of its own, and ink is looked for right of the long run of
// narrow letters.
TEST_F(MainWindowTest, LabelsPaintALongCaptionToItsLastCharacter) {
    HWND label = C(标签_验证结果);
    const std::string run(511, 'i');
    SetWindowTextA(label, (run + "国").c_str());
    SetLabelTextColor(label, RGB(0, 0, 0));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, run.c_str(), static_cast<int>(run.size()), &extent);
    const int width = extent.cx + 40;
    SetWindowPos(label, nullptr, 0, 0, width, 24, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, 24);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    int ink = 0, inkInRun = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < width; ++x) (x > extent.cx + 1 ? ink : inkInRun) += GetPixel(dc, x, y) != background;
    }
    ASSERT_GT(inkInRun, 100) << "the label painted into the bitmap";
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(ink, 10) << "the character after the first 511 bytes is drawn";
}

TEST_F(MainWindowTest, ButtonClicksReachRegisteredHandlersThroughTheirContainers) {
    // Buttons sit in a group box, in the page background and on the tab control itself.
    int clicks = 0;
    for (ControlId id : {按钮_验证图片, 按钮_清除标识, 按钮_选择, 超级按钮_旋转}) {
        window->SetCommandHandler(id, [&clicks] { ++clicks; });
        SendMessageA(C(id), BM_CLICK, 0, 0);
    }
    Pump();
    EXPECT_EQ(clicks, 4);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheMessageLoop) {
    PostMessageA(window->Handle(), WM_CLOSE, 0, 0);
    MSG message;
    bool quit = false;
    const DWORD start = GetTickCount();
    while (!quit && GetTickCount() - start < 5000) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (message.message == WM_QUIT) quit = true; else DispatchMessageA(&message);
    }
    EXPECT_TRUE(quit);
    EXPECT_EQ(MainWindow::Current(), nullptr);
}

}  // namespace
