#include "win32/Text.h"

#include "win32/Dpi.h"
#include "win32/Handles.h"

#include <map>

namespace win32 {

HFONT DialogFont(int dpi)
{
    // One font per DPI met, kept for the life of the process (the windows hold them).
    static std::map<int, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (!font)
        font = ::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             L"Tahoma");
    return font;
}

SIZE TextExtent(HWND control, int wrapWidth)
{
    const std::wstring text = GetText(control);
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    RECT bounds{0, 0, wrapWidth, 0};
    const WindowDC dc(control, font ? font : DialogFont(DpiOf(control)));
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
                DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    return {bounds.right, bounds.bottom};
}

std::wstring GetText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void SetText(HWND window, const std::wstring& text)
{
    ::SetWindowTextW(window, text.c_str());
}

} // namespace win32
