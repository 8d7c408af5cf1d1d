#include "app/MainWindow.h"

#include "app/PageWiring.h"
#include "common/ProgramFolder.h"
#include "concurrency/MessageWaits.h"
#include "concurrency/ProcessObjects.h"
#include "crop/CropView.h"
#include "crop/CropViewPage.h"
#include "ui/Controls.h"
#include "verify/FolderScan.h"
#include "verify/RecordGrid.h"

#include <commctrl.h>

#include <string>

namespace {
MainWindow* g_current = nullptr;

struct ListColumn {
    const char* header;
    int width;
};
const ListColumn kSourceListColumns[] = {{"序号", 40}, {"图片路径", 300}, {"名称", 86}, {"分辨率", 82}, {"状态", 65}};

void RegisterClassesOnce(HINSTANCE instance) {
    static bool registered = false;
    if (registered) return;
    registered = true;
    INITCOMMONCONTROLSEX common = {sizeof(common), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    RegisterControlClasses(instance);
    RegisterRecordGridClass(instance);
    RegisterCropViewClass(instance);
}

bool IsContainer(ControlKind kind) {
    return kind == ControlKind::TabControl || kind == ControlKind::GroupBox || kind == ControlKind::PictureBox;
}

bool PreTranslateForMainWindow(MSG* message) {
    // Tab and arrow keys move between controls as in a dialog.
    return g_current != nullptr && IsDialogMessageA(g_current->Handle(), message);
}
}  // namespace

MainWindow* MainWindow::Current() { return g_current; }

MainWindow::~MainWindow() {
    if (font_) DeleteObject(font_);
}

MainWindow* MainWindow::Create(HINSTANCE instance, int showCommand) {
    RegisterClassesOnce(instance);
    static bool classMade = false;
    if (!classMade) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &WindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
        wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 16, 16, 0));
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        classMade = RegisterClassExA(&wc) != 0;
    }
    MainWindow* window = new MainWindow(instance);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    HWND hwnd = CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, kCaption, style, 50, 50, 973, 593, nullptr, nullptr,
                                instance, window);
    if (hwnd == nullptr) {
        delete window;
        return nullptr;
    }
    g_current = window;
    SetMessagePreTranslator(&PreTranslateForMainWindow);
    window->CreateControls();
    window->CreateMenus();
    window->InitMainWindow();
    WirePages(*window);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    return window;
}

HWND MainWindow::Control(ControlId id) const {
    if (id == kMainWindowId) return hwnd_;
    if (id < 选择夹1 || id >= kControlIdEnd) return nullptr;
    return controls_[id - 选择夹1];
}

void MainWindow::SetCommandHandler(int id, std::function<void()> handler) { commandHandlers_[id] = std::move(handler); }

void MainWindow::SetChangeHandler(int id, std::function<void()> handler) { changeHandlers_[id] = std::move(handler); }

void MainWindow::SetNotifyHandler(ControlId id, std::function<LRESULT(const NMHDR&)> handler) {
    notifyHandlers_[id] = std::move(handler);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (g_current == self) {
            g_current = nullptr;
            SetMessagePreTranslator(nullptr);
        }
        delete self;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

RunOwner& MainWindow::Runs() { return TheRunOwner(); }

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType == ODT_BUTTON) {
            DrawOwnerDrawButton(item);
            return TRUE;
        }
        break;
    }
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

HWND MainWindow::CreateControl(const LayoutRow& row) {
    HWND parent = Control(row.parent);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const char* className = "STATIC";
    switch (row.kind) {
    case ControlKind::TabControl:
        className = WC_TABCONTROLA;
        style |= WS_CLIPCHILDREN | WS_TABSTOP;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case ControlKind::GroupBox:
        className = "BUTTON";
        style |= BS_GROUPBOX | WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case ControlKind::PictureBox:
        className = kPictureBoxClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case ControlKind::DrawingPanel:
        className = kDrawingPanelClass;
        break;
    case ControlKind::Label:
        className = kLabelClass;
        break;
    case ControlKind::TransparentLabel:
        className = kTransparentLabelClass;
        exStyle |= WS_EX_TRANSPARENT;
        break;
    case ControlKind::Edit:
    case ControlKind::NumericEdit:
        className = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ReadOnlyEdit:
        className = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::PushButton:
        className = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case ControlKind::OwnerDrawButton:
        className = "BUTTON";
        style |= WS_TABSTOP | BS_OWNERDRAW;
        break;
    case ControlKind::CheckBox:
        className = "BUTTON";
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
    case ControlKind::RadioButton:
        className = "BUTTON";
        style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
        if (row.id == 单选框_宽度) style |= WS_GROUP;
        break;
    case ControlKind::RecordGrid:
        className = kRecordGridClass;
        style |= WS_TABSTOP | WS_BORDER;
        break;
    case ControlKind::ListView:
        className = WC_LISTVIEWA;
        style |= WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ListBox:
        className = "LISTBOX";
        style |= WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::SpriteCanvas:
        className = kCropViewClass;
        break;
    case ControlKind::SpriteTemplate:
        className = kSpriteTemplateClass;
        break;
    case ControlKind::ShapeBox:
        className = kShapeBoxClass;
        break;
    }
    // The sprite template only carries settings; a page's controls appear with their page.
    const bool visible = row.kind != ControlKind::SpriteTemplate &&
                         (row.page == TabPage::None || row.page == TabPage::Verify || row.parent != 选择夹1);
    if (visible) style |= WS_VISIBLE;

    HWND control = CreateWindowExA(exStyle, className, row.text, style, row.x, row.y, row.width, row.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance_, nullptr);
    if (control == nullptr) return nullptr;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (row.kind == ControlKind::NumericEdit) MakeNumericInput(control);
    if (IsContainer(row.kind) && row.kind != ControlKind::PictureBox) ForwardChildNotifications(control);
    return control;
}

void MainWindow::CreateControls() {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = -12;
    font_ = CreateFontIndirectA(&metrics.lfMessageFont);

    for (size_t i = 0; i < LayoutRowCount(); ++i) {
        const LayoutRow& row = LayoutRows()[i];
        controls_[row.id - 选择夹1] = CreateControl(row);
    }

    HWND tabs = Control(选择夹1);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("校验图片");
    SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = const_cast<char*>("裁剪图片");
    SendMessageA(tabs, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));

    HWND list = Control(超级列表框1);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int i = 0; i < static_cast<int>(sizeof kSourceListColumns / sizeof kSourceListColumns[0]); ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(kSourceListColumns[i].header);
        column.cx = kSourceListColumns[i].width;
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }

    // Later rows of the layout lie above earlier ones; the page backgrounds lie below all.
    for (size_t i = 0; i < LayoutRowCount(); ++i) {
        SetWindowPos(Control(LayoutRows()[i].id), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    for (ControlId background : {图片框_背景1, 图片框_背景2}) {
        SetWindowPos(Control(background), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void MainWindow::CreateMenus() {
    parameterMenu_ = CreatePopupMenu();
    AppendMenuA(parameterMenu_, MF_STRING, 菜单_导出超分辨率图片, "导出超分辨率图片");
    AppendMenuA(parameterMenu_, MF_STRING, 菜单_导出失败名单, "导出失败名单");
    cropMenu_ = CreatePopupMenu();
    AppendMenuA(cropMenu_, MF_STRING, 菜单_删除选中, "删除选中");
    AppendMenuA(cropMenu_, MF_STRING, 菜单_删除全部, "删除全部");
}

void MainWindow::InitMainWindow() {
    SendMessageA(Control(选择框_现在分辨率), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(Control(单选框_宽度), BM_SETCHECK, BST_CHECKED, 0);
    SetWindowTextA(Control(编辑框_路径), ProgramFolder().c_str());
    ResetRecordGrid(*this);
    SetUpCropView(*this);
}

void MainWindow::SelectPage(TabPage page) {
    HWND tabs = Control(选择夹1);
    const int index = page == TabPage::Crop ? 1 : 0;
    if (SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != index) SendMessageA(tabs, TCM_SETCURSEL, index, 0);
    // Hide first, then show, so the outgoing page never paints over the incoming one.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < LayoutRowCount(); ++i) {
            const LayoutRow& row = LayoutRows()[i];
            if (row.parent != 选择夹1 || row.page == TabPage::None) continue;
            const bool show = row.page == page;
            if (show == (pass == 1)) ShowWindow(Control(row.id), show ? SW_SHOWNA : SW_HIDE);
        }
    }
}

LRESULT MainWindow::RunHandler(const std::function<LRESULT()>& handler) {
    // Once a close is due no handler starts: it would dispatch the window's end under itself.
    if (Closing()) return 0;
    ++handlersOnStack_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{handlersOnStack_};
    const LRESULT result = handler();
    // The outermost handler is returning: now the window may go. A fresh WM_CLOSE does it from
    // the loop that dispatched this handler, with nothing of the handler left on the stack.
    if (handlersOnStack_ == 1 && closeRequested_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    return result;
}

void MainWindow::OnCommand(int id, int code) {
    const auto& handlers = code == EN_CHANGE ? changeHandlers_ : commandHandlers_;
    if (code != EN_CHANGE && code != BN_CLICKED) return;  // menu commands arrive with code 0, as BN_CLICKED is
    auto found = handlers.find(id);
    if (found == handlers.end() || !found->second) return;
    // A copy: the handler may register handlers itself, which could move the one running.
    const std::function<void()> handler = found->second;
    RunHandler([&handler]() -> LRESULT {
        handler();
        return 0;
    });
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == Control(选择夹1) && header.code == TCN_SELCHANGE) {
        const LRESULT index = SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0);
        SelectPage(index == 1 ? TabPage::Crop : TabPage::Verify);
    }
    // A control's own children (a list view's header) may share its id: the window must match too.
    auto found = notifyHandlers_.find(static_cast<int>(header.idFrom));
    if (found == notifyHandlers_.end() || !found->second ||
        header.hwndFrom != Control(static_cast<ControlId>(header.idFrom)))
        return 0;
    const std::function<LRESULT(const NMHDR&)> handler = found->second;
    return RunHandler([&handler, &header] { return handler(header); });
}

void MainWindow::OnClose() {
    if (handlersOnStack_ > 0) {
        closeRequested_ = true;
        return;
    }
    DestroyWindow(hwnd_);
}

void MainWindow::OnDestroy() {
    destroying_ = true;
    RemoveCropViewSprite(*this);
    if (parameterMenu_) DestroyMenu(parameterMenu_);
    if (cropMenu_) DestroyMenu(cropMenu_);
    parameterMenu_ = cropMenu_ = nullptr;
    PostQuitMessage(0);
}
