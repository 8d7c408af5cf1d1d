#pragma once
#include "concurrency/RunOwner.h"
#include "ui/ControlIds.h"

#include <windows.h>

#include <functional>

// What a page gets of the window that holds it: its controls and pop-up menus, the routing of
// their events to the page's handlers, the page switch, the process's run owner, and whether the
// window is closing. Window thread only.
//
// Every handler registered here may dispatch messages (the long runs, the loops that pump per row,
// waits). While any handler is on the stack the host defers a close of the window until the
// outermost handler has returned, so nothing a handler uses is freed under it, and refuses new
// handlers meanwhile. A handler that dispatches asks Closing() after each dispatch and returns
// early once it is true.
class PageHost {
public:
    virtual HWND Window() const = 0;
    // nullptr for an id the window has no control for.
    virtual HWND Control(ControlId id) const = 0;
    virtual HMENU ParameterMenu() const = 0;  // "参数"
    virtual HMENU CropMenu() const = 0;       // "裁剪"

    // A click on a button or a menu command.
    virtual void SetCommandHandler(int id, std::function<void()> handler) = 0;
    // A change of an edit box's text.
    virtual void SetChangeHandler(int id, std::function<void()> handler) = 0;
    // A control's notification; the handler's result is the message's.
    virtual void SetNotifyHandler(ControlId id, std::function<LRESULT(const NMHDR&)> handler) = 0;

    // Shows a tab page and hides the other, as a click on its tab does.
    virtual void SelectPage(TabPage page) = 0;
    virtual RunOwner& Runs() = 0;
    // The user asked to close the window (or it is going): dispatching handlers leave at once.
    virtual bool Closing() const = 0;

protected:
    ~PageHost() = default;
};
