// Where windows stand: the screen's work area, centring on it, and a child's place in its parent.
#pragma once

#include <windows.h>

namespace win32 {

// The part of the primary screen that the taskbar leaves free.
RECT WorkArea();

// Where a window of width x height stands centred over area.
POINT CentredIn(const RECT& area, int width, int height);

// Moves a window to the centre of the work area, in front.
void CentreOnWorkArea(HWND window);

// A child window's rectangle in its parent's client coordinates.
RECT ClientRectOf(HWND child);

// Whether a window is out of the user's sight: minimised or hidden.
bool IsOutOfSight(HWND window);

} // namespace win32
