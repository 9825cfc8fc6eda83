// The class names of the program's windows. Other programs find the windows by them (and so do the
// end-to-end tests, which include this header): they stay as they are.
#pragma once

namespace ui {

namespace window_class {

inline constexpr wchar_t kProgress[] = L"TfrmMain";
inline constexpr wchar_t kFolder[] = L"TfrmSetOutput";
inline constexpr wchar_t kPassword[] = L"TfrmPassword";
inline constexpr wchar_t kOverwrite[] = L"TfrmOverWrite";

} // namespace window_class

} // namespace ui
