// A thin base for the program's windows: registration, creation with a client area of a given
// size, message dispatch to the object, a modal loop, and the controls they hold.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Shows the window and runs messages until it is hidden or destroyed; owner is disabled
    // meanwhile. Tab and the access keys work as in a dialog; Enter and Esc do nothing special.
    void ShowModal(HWND owner);
    // Ends ShowModal: hides the window (it can be shown again).
    void EndModal();

protected:
    // Registers className (once) and creates the window with a client area of width x height,
    // centred over the screen's work area or, with centreOnOwner, over owner (over the work area
    // when owner is minimised or hidden, so that the window is always seen).
    void Create(const wchar_t* className, DWORD style, DWORD exStyle, int width, int height, HWND owner,
                bool centreOnOwner = false);
    // The default handling; WM_CLOSE ends a modal window.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // An error that a message handler raised: shown in an error box. Nothing unwinds through
    // the system's message dispatch.
    virtual void OnError(const std::wstring& message);

    // Child controls at client coordinates, in tab order, with the window's font.
    HWND AddLabel(const std::wstring& text, int x, int y, int width = 0, int height = 0, DWORD style = 0);
    HWND AddButton(int id, const std::wstring& text, int x, int y, int width, int height);
    HWND AddCheckBox(int id, const std::wstring& text, int x, int y, int width, int height);
    HWND AddEdit(int id, int x, int y, int width, int height, DWORD style = 0);
    HWND AddGroupBox(int x, int y, int width, int height);
    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y, int width,
                    int height, int id = 0);
    // Gives an auto-sized label the width of its text, at most maxWidth when that is given.
    void FitLabel(HWND label, int maxWidth = 0);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

// Tahoma at 8 points: the font of every window.
HFONT DialogFont();

// The size of a control's text drawn in its own font: on one line, or with wrapWidth broken into
// lines at that width (wider than it when one word is).
SIZE TextExtent(HWND control, int wrapWidth = 0);

std::wstring GetText(HWND window);
void SetText(HWND window, const std::wstring& text);

// A message box with the application title as caption. When owner is minimised or hidden the box
// appears in front, centred on the work area.
int ShowMessage(HWND owner, const std::wstring& text, UINT flags);

// Whether a window is out of the user's sight: minimised or hidden.
bool IsOutOfSight(HWND window);
void SetApplicationTitle(const std::wstring& title);
const std::wstring& ApplicationTitle();

} // namespace win32
