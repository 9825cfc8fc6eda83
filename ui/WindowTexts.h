// The windows' texts from the language file, set by a table of controls and keys.
#pragma once

#include <windows.h>

#include <initializer_list>

struct TextOf {
    HWND control;
    const wchar_t* key; // in section "Main" of the language file
};

// Sets each control's text (a window's caption, for the window itself) to its key's text.
void ApplyTexts(std::initializer_list<TextOf> texts);
