// Running a function on a window's thread from another thread, and waiting for it.
#pragma once

#include <windows.h>

#include <functional>

namespace win32 {

// Runs fn on the thread that owns window and returns when it has run; an error that fn raises is
// raised again here. On the window's own thread fn simply runs. Raises an error when the window
// is gone.
void CallOnWindowThread(HWND window, const std::function<void()>& fn);

// For the window procedure: runs a call that CallOnWindowThread sent. True if message was one.
bool HandleWindowCall(UINT message, LPARAM lParam, LRESULT& result);

} // namespace win32
