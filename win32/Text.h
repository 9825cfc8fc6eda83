// The windows' font, and reading, writing and measuring a window's text.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Tahoma at 8 points, at dpi: the font of every window.
HFONT DialogFont(int dpi);

// The size of a control's text drawn in its own font: on one line, or with wrapWidth broken into
// lines at that width (wider than it when one word is).
SIZE TextExtent(HWND control, int wrapWidth = 0);

std::wstring GetText(HWND window);
void SetText(HWND window, const std::wstring& text);

} // namespace win32
