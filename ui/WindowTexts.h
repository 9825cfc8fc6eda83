// The windows' texts from the language file, set by a table of controls and keys.
#pragma once

#include <windows.h>

#include <exception>
#include <initializer_list>
#include <string>

namespace ui {

struct TextOf {
    HWND control;
    const wchar_t* key; // in section "Main" of the language file
};

// Sets each control's text (a window's caption, for the window itself) to its key's text.
void ApplyTexts(std::initializer_list<TextOf> texts);

// An error box over owner that tells the person what error says (ErrorText).
void ShowErrorBox(HWND owner, std::exception_ptr error);

// The width a control of a window laid out at dpi needs for its text in its own font: the text
// and the room the control draws around it (a check box's box, a button's edges).
int NeededWidth(HWND control, int dpi);

// Widens a word-wrapping label to its widest word, and moves the label to its right (its value)
// along by as much. For the progress window's tips.
void FitTipBeside(HWND tip, HWND value, int dpi);

// Widens the given buttons about their centre and labels or check boxes from their left edge,
// each as far as its text needs and its row has room (ui/TextFit.h), in a window laid out at dpi.
// For after the texts are set or the DPI changed.
void FitToTexts(int dpi, std::initializer_list<HWND> buttons, std::initializer_list<HWND> leftAnchored = {});

} // namespace ui
