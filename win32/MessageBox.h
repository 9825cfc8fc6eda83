// The program's message boxes: captioned with the application's title, and seen even when the
// window they belong to is not.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// A message box with the application title as caption. When owner is minimised or hidden the box
// appears in front, centred on the work area.
int ShowMessage(HWND owner, const std::wstring& text, UINT flags);

void SetApplicationTitle(const std::wstring& title);
const std::wstring& ApplicationTitle();

} // namespace win32
