#pragma once
#include "app/LayoutTable.h"
#include "ui/ControlIds.h"
#include "ui/PageHost.h"

#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>

// The program's one top-level window: the tab control with its two pages, every control of the
// layout, the two pop-up menus, and the routing of control events to the pages' handlers; the
// host both pages are given. Window thread only.
//
// Closing: a WM_CLOSE that arrives while any handler is on the stack (dispatched inside its
// waits or loops) only marks the window as closing; the close is made once the outermost handler
// has returned, and no new handler starts meanwhile. So a handler never has its window, controls
// or this object freed under it, whatever it dispatches.
class MainWindow final : public PageHost {
public:
    static constexpr const char* kClassName = "QuillmereMainWindow";
    static constexpr const char* kCaption = "Quillmere";

    // Creates the window with every control, runs InitMainWindow, wires both pages and shows it.
    // The object lives until the window is destroyed. nullptr when the window cannot be made.
    static MainWindow* Create(HINSTANCE instance, int showCommand = SW_SHOWNORMAL);
    // The window made by Create, or nullptr.
    static MainWindow* Current();

    HWND Handle() const { return hwnd_; }

    HWND Window() const override { return hwnd_; }
    HWND Control(ControlId id) const override;
    HMENU ParameterMenu() const override { return parameterMenu_; }
    HMENU CropMenu() const override { return cropMenu_; }
    void SetCommandHandler(int id, std::function<void()> handler) override;
    void SetChangeHandler(int id, std::function<void()> handler) override;
    void SetNotifyHandler(ControlId id, std::function<LRESULT(const NMHDR&)> handler) override;
    void SelectPage(TabPage page) override;
    RunOwner& Runs() override;
    bool Closing() const override { return closeRequested_ || destroying_; }

private:
    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}
    ~MainWindow();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND CreateControl(const LayoutRow& row);
    void CreateMenus();
    void InitMainWindow();
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void OnClose();
    void OnDestroy();
    // Runs a page's handler with the close deferred while it is on the stack.
    LRESULT RunHandler(const std::function<LRESULT()>& handler);

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND controls_[kControlIdEnd - 选择夹1] = {};
    HMENU parameterMenu_ = nullptr;
    HMENU cropMenu_ = nullptr;
    HFONT font_ = nullptr;
    int handlersOnStack_ = 0;
    bool closeRequested_ = false;
    bool destroying_ = false;
    std::unordered_map<int, std::function<void()>> commandHandlers_;
    std::unordered_map<int, std::function<void()>> changeHandlers_;
    std::unordered_map<int, std::function<LRESULT(const NMHDR&)>> notifyHandlers_;
};
