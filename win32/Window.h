// A thin base for the program's windows: registration, creation with a client area of a given
// size, message dispatch to the object, a modal loop, and the controls they hold. Sizes and
// places are given at 96 DPI; the window scales them to the DPI of its monitor, at creation and
// again when it moves to a monitor of another DPI.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace win32 {

// A control's place in its window's client area at 96 DPI.
struct Box {
    int x, y, width, height;
};

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }

    // Shows the window and runs messages until EndModal (an answer) or until the window is
    // destroyed; owner is disabled meanwhile. Hidden by the system (its owner minimised), the
    // window stays modal and shows again, in front, once the owner is restored. Tab and the
    // access keys work as in a dialog; Enter and Esc do nothing special.
    void ShowModal(HWND owner);
    // Ends ShowModal: hides the window (it can be shown again).
    void EndModal();

protected:
    // Registers className (once) and creates the window with a client area of width x height,
    // centred over the screen's work area or, with centreOnOwner, over owner (over the work area
    // when owner is minimised or hidden, so that the window is always seen).
    void Create(const wchar_t* className, DWORD style, DWORD exStyle, int width, int height, HWND owner,
                bool centreOnOwner = false);
    // The DPI the window is laid out for.
    int Dpi() const { return dpi_; }
    // Arranges what depends on the texts and the DPI (controls that grow with their texts):
    // called by the window once its texts are set, and by the base after each change of DPI.
    virtual void Arrange() {}
    // The default handling: WM_CLOSE ends a modal window; WM_DPICHANGED lays the window out again.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // An error that a message handler raised, for the window to tell (in the person's language:
    // the window's layer knows it). Nothing unwinds through the system's message dispatch.
    virtual void OnError(std::exception_ptr error) = 0;

    // Child controls at client coordinates, in tab order, with the window's font.
    // A label of width 0 is as wide as its text, and of height 0 a line high.
    HWND AddLabel(const std::wstring& text, const Box& box, DWORD style = 0);
    HWND AddButton(int id, const std::wstring& text, const Box& box);
    HWND AddCheckBox(int id, const std::wstring& text, const Box& box);
    HWND AddEdit(int id, const Box& box, DWORD style = 0);
    HWND AddGroupBox(const Box& box);
    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, const Box& box, int id = 0);
    // Gives a label the width of its text, at most maxWidth (at 96 DPI) when that is given; the
    // label keeps fitting its text after a change of DPI.
    void FitLabel(HWND label, int maxWidth = 0);

private:
    // A control and its place at 96 DPI.
    struct Placed {
        HWND control;
        RECT place;
        bool fitsText; // as wide as its text
        int maxWidth;  // at most, at 96 DPI; 0 for no limit
    };

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Places the controls, their font, the window's icons and its client area at the window's DPI.
    void LayOut();
    void SetClientSize(int width, int height);
    void OnDpiChanged(int dpi, const RECT& suggested);
    void FitLabelAtDpi(const Placed& label);
    Placed* PlacedOf(HWND control);

    HWND hwnd_ = nullptr;
    bool modal_ = false;
    int dpi_ = 96;
    SIZE client_{};  // at 96 DPI
    std::vector<Placed> placed_;
    IconHandle bigIcon_, smallIcon_;
};

} // namespace win32
