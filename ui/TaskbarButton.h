// The progress on the main window's taskbar button: the same percentage as the window, green
// while the job runs, yellow while it is paused, red when it ends with a warning, none otherwise.
#pragma once

#include <windows.h>

#include <memory>

namespace ui {

enum class TaskbarState { None, Normal, Paused, Error };

// Where the progress goes: the shell's taskbar in the program; a record in a test.
class TaskbarButton {
public:
    virtual ~TaskbarButton() = default;
    // The button of window shows state and, unless None, percent (0 to 100).
    virtual void Show(HWND window, TaskbarState state, int percent) = 0;
};

// The shell's taskbar (ITaskbarList3), made at its first use. Where there is none (before
// Windows 7, or no shell) or a call fails, nothing is shown: the progress is only a courtesy.
std::unique_ptr<TaskbarButton> ShellTaskbarButton();

} // namespace ui
