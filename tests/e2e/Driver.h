// Drives a package's windows from outside, as a person would: finds its windows, types into
// edits, clicks buttons, reads captions, labels and message boxes.
#pragma once

#include "support/Waiting.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// A running package.
class Package {
public:
    // Starts program with the given extra environment ("NAME=value"), in currentFolder (by
    // default the program's own folder), with arguments after its name on the command line.
    Package(const std::wstring& program, const std::vector<std::wstring>& environment = {},
            const std::wstring& currentFolder = L"", const std::wstring& arguments = L"");
    ~Package();

    DWORD pid() const { return info_.dwProcessId; }
    HANDLE process() const { return info_.hProcess; }
    // Waits for the process to end; false on time-out.
    bool WaitForExit(DWORD milliseconds = 60000);
    bool Running() const;
    // The exit code of an ended process.
    DWORD ExitCode() const;

    // A visible top-level window of the process with this class, waiting up to milliseconds.
    HWND WaitForWindow(const std::wstring& className, DWORD milliseconds = 20000) const;
    // A message box of the process (class "#32770"), waiting up to milliseconds.
    HWND WaitForMessageBox(DWORD milliseconds = 20000) const;
    HWND FindWindowOf(const std::wstring& className) const;
    // A message box of the process that says text, waiting up to milliseconds.
    HWND WaitForMessageBoxSaying(const std::wstring& text, DWORD milliseconds = 60000) const;

private:
    PROCESS_INFORMATION info_{};
};

std::wstring TextOf(HWND window);
// A child control by its class and, if given, its caption (access-key "&" ignored).
HWND Child(HWND parent, const std::wstring& className, const std::wstring& caption = L"");
// Clicks a button the way the mouse does, without waiting for what the click opens.
void Click(HWND button);
// Replaces an edit's text by typing it.
void Type(HWND edit, const std::wstring& text);
// The keyboard, as a person uses it: keys go to the control that has the focus in window's
// thread (window itself when none has it), through the thread's message queue as typed keys do.
HWND FocusOf(HWND window);
// A key pressed and let go: VK_TAB, VK_SPACE...
void PressKey(HWND window, UINT key);
// Alt with a letter: the access key of a control ("Yes to &All": L'a').
void PressAccessKey(HWND window, wchar_t letter);
// Characters typed one after the other.
void TypeKeys(HWND window, const std::wstring& text);
// Presses Tab until control has the focus; false when it never gets it.
bool TabTo(HWND window, HWND control);

// The text of a message box.
std::wstring MessageBoxText(HWND box);
// Whether the window's rectangle lies wholly on the screen's work area.
bool OnTheWorkArea(HWND window);
using testing_support::WaitUntil;

} // namespace e2e
