#pragma once
// Wheel messages go to the window with the keyboard focus; the crop view wants every one whose
// cursor is over it. A message hook on the window thread readdresses them as they are taken from
// the queue, so whichever control has the focus (the source list would scroll itself) the view
// gets the turn. Window thread only.
#include <windows.h>

// From now until StopRoutingWheel, wheel messages over the window go to it.
void RouteWheelOverWindow(HWND window);
void StopRoutingWheel(HWND window);
