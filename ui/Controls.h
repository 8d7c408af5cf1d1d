#pragma once
#include <windows.h>

// The window classes and control behaviours the layout needs beyond the stock controls.
// All of them live on the window thread.

// Registers every window class of this file once per process.
void RegisterControlClasses(HINSTANCE instance);

extern const char kLabelClass[];
extern const char kTransparentLabelClass[];
extern const char kPictureBoxClass[];
extern const char kDrawingPanelClass[];
extern const char kShapeBoxClass[];
extern const char kSpriteTemplateClass[];

// Labels keep a text colour of their own (a COLORREF, black at first).
void SetLabelTextColor(HWND label, COLORREF color);
COLORREF GetLabelTextColor(HWND label);

// An edit box that ignores every typed character from the space upwards except 0-9 and '-'.
void MakeNumericInput(HWND edit);
// Whether MakeNumericInput would let the typed character through.
bool NumericInputAccepts(unsigned int character);

// Containers (tab control, group boxes) hand their children's notifications to the top-level
// window, so that one window procedure sees every control event.
void ForwardChildNotifications(HWND container);

// A drawing panel keeps what was drawn in a bitmap of its own and repaints from it. Drawing goes
// into the returned memory DC (white at first), followed by InvalidateRect on the panel.
HDC DrawingPanelDC(HWND panel);

// Paints an owner-drawn push button: a raised face, its caption centred.
void DrawOwnerDrawButton(const DRAWITEMSTRUCT& item);
