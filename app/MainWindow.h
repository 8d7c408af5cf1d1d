#pragma once
#include "app/ControlIds.h"
#include "app/LayoutTable.h"

#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>

// The program's one top-level window: the tab control with its two pages, every control of the
// layout, the two pop-up menus and the routing of control events to their handlers.
// Window thread only.
class MainWindow {
public:
    static constexpr const char* kClassName = "QuillmereMainWindow";
    static constexpr const char* kCaption = "Quillmere";

    // Creates the window with every control, runs InitMainWindow and shows it. The object lives
    // until the window is destroyed. nullptr when the window cannot be made.
    static MainWindow* Create(HINSTANCE instance, int showCommand = SW_SHOWNORMAL);
    // The window made by Create, or nullptr.
    static MainWindow* Current();

    HWND Handle() const { return hwnd_; }
    HWND Control(ControlId id) const;
    HMENU ParameterMenu() const { return parameterMenu_; }  // "参数"
    HMENU CropMenu() const { return cropMenu_; }            // "裁剪"

    // A click on a button (or a menu command) runs its handler; later pages register theirs.
    void SetCommandHandler(int id, std::function<void()> handler);
    // A notification (WM_NOTIFY) from a control runs its handler, whose result is the message's.
    // A change of an edit box's text (EN_CHANGE) runs its handler.
    void SetChangeHandler(int id, std::function<void()> handler);
    void SetNotifyHandler(ControlId id, std::function<LRESULT(const NMHDR&)> handler);
    // Shows a tab page and hides the other, as a click on its tab does.
    void SelectPage(TabPage page);

private:
    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}
    ~MainWindow();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND CreateControl(const LayoutRow& row);
    void CreateMenus();
    void InitMainWindow();
    void WireHandlers();
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void OnDestroy();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND controls_[kControlIdEnd - 选择夹1] = {};
    HMENU parameterMenu_ = nullptr;
    HMENU cropMenu_ = nullptr;
    HFONT font_ = nullptr;
    std::unordered_map<int, std::function<void()>> commandHandlers_;
    std::unordered_map<int, std::function<void()>> changeHandlers_;
    std::unordered_map<int, std::function<LRESULT(const NMHDR&)>> notifyHandlers_;
};

// The folder holding the program file, without a trailing backslash.
std::string ProgramFolder();
