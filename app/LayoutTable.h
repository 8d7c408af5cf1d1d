#pragma once
#include "ui/ControlIds.h"

#include <cstddef>

// What kind of window a layout row makes.
enum class ControlKind {
    TabControl,
    GroupBox,
    DrawingPanel,
    PictureBox,   // page background and container
    Label,
    TransparentLabel,
    Edit,
    NumericEdit,
    ReadOnlyEdit,
    PushButton,
    OwnerDrawButton,
    CheckBox,
    RadioButton,
    RecordGrid,
    ListView,
    ListBox,
    SpriteCanvas,
    SpriteTemplate,  // holds the sprite's settings; never shown
    ShapeBox,
};

struct LayoutRow {
    ControlId id;
    const char* name;  // the control's name, for diagnostics and tests
    ControlId parent;  // kMainWindowId for the window itself
    ControlKind kind;
    int x, y, width, height;
    const char* text;
    TabPage page;
};

const LayoutRow* LayoutRows();
size_t LayoutRowCount();
const LayoutRow* FindLayoutRow(ControlId id);
