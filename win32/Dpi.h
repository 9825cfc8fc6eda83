// Dots per inch: every window is laid out in pixels at 96 DPI and scaled to the DPI of the
// monitor it is on.
#pragma once

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace win32 {

inline constexpr int kBaseDpi = 96;

// A length given at 96 DPI, at dpi (rounded to the nearest pixel).
inline int Scale(int value, int dpi)
{
    return ::MulDiv(value, dpi, kBaseDpi);
}

// A rectangle given at 96 DPI, at dpi: its corner and its size scaled each on its own, so that a
// size is the same wherever the rectangle stands.
RECT Scale(const RECT& rect, int dpi);

// The DPI of the monitor the window is on; the system's where the system cannot tell per window
// (before Windows 10).
int DpiOf(HWND window);

// A system metric (SM_CXICON, ...) at dpi.
int MetricAt(int index, int dpi);

// The window's size for a client area of width x height at dpi: its frame, caption and borders
// for that DPI.
SIZE FrameSizeFor(int width, int height, DWORD style, DWORD exStyle, int dpi);

} // namespace win32
