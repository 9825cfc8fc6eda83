#include "ui/WindowTexts.h"

#include "lang/Language.h"
#include "ui/TextFit.h"
#include "win32/Dpi.h"
#include "win32/MessageBox.h"
#include "win32/Text.h"
#include "win32/Window.h"
#include "win32/WindowPlacement.h"

#include <algorithm>
#include <vector>

namespace ui {

namespace {

using win32::ClientRectOf;

bool IsButton(HWND control)
{
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    return ::lstrcmpiW(className, L"BUTTON") == 0;
}

bool IsKind(HWND button, LONG kind)
{
    return (::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == kind;
}

bool IsFrame(HWND child)
{
    return IsButton(child) && IsKind(child, BS_GROUPBOX);
}

bool IsShown(HWND child)
{
    return (::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0; // the window itself may be hidden yet
}

// The right edge of the rightmost control that is not a frame.
LONG RightmostEdge(HWND parent)
{
    LONG right = 0;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (IsShown(child) && !IsFrame(child))
            right = std::max(right, ClientRectOf(child).right);
    return right;
}

// Widens the window's client area by delta, and the frames that reach its right margin with it.
void Widen(HWND parent, LONG delta, LONG oldRightmost)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!IsFrame(child))
            continue;
        const RECT r = ClientRectOf(child);
        if (r.right >= oldRightmost)
            ::SetWindowPos(child, nullptr, 0, 0, r.right - r.left + delta, r.bottom - r.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame;
    ::GetWindowRect(parent, &frame);
    ::SetWindowPos(parent, nullptr, 0, 0, frame.right - frame.left + delta, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Fit(HWND control, FitAnchor anchor, int dpi)
{
    HWND parent = ::GetParent(control);
    std::vector<RECT> others;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (child != control && IsShown(child) && !IsFrame(child))
            others.push_back(ClientRectOf(child));
    const RECT now = ClientRectOf(control);
    const int needed = NeededWidth(control, dpi);
    // Past the client area's right edge there is room: the window grows afterwards.
    RECT client;
    ::GetClientRect(parent, &client);
    const RECT fitted = FitToText(now, needed, anchor, others, client.right + needed, win32::Scale(kFitGap, dpi));
    ::SetWindowPos(control, nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void ShowErrorBox(HWND owner, std::exception_ptr error)
{
    win32::ShowMessage(owner, lang::ErrorText(error), MB_OK | MB_ICONERROR);
}

void ApplyTexts(std::initializer_list<TextOf> texts)
{
    for (const auto& [control, key] : texts)
        win32::SetText(control, lang::LangText(key));
}

int NeededWidth(HWND control, int dpi)
{
    const LONG text = win32::TextExtent(control).cx;
    if (!IsButton(control))
        return text; // a label draws its text as it is
    const bool box = IsKind(control, BS_AUTOCHECKBOX) || IsKind(control, BS_CHECKBOX);
    return text + (box ? win32::MetricAt(SM_CXMENUCHECK, dpi) + win32::Scale(8, dpi) : win32::Scale(12, dpi));
}

void FitToTexts(int dpi, std::initializer_list<HWND> buttons, std::initializer_list<HWND> leftAnchored)
{
    const HWND first = buttons.size() > 0 ? *buttons.begin() : leftAnchored.size() > 0 ? *leftAnchored.begin() : nullptr;
    if (!first)
        return;
    const HWND parent = ::GetParent(first);
    const LONG rightmost = RightmostEdge(parent);
    for (HWND button : buttons)
        Fit(button, FitAnchor::Centre, dpi);
    for (HWND control : leftAnchored)
        Fit(control, FitAnchor::Left, dpi);
    // The window keeps its right margin.
    const LONG grown = RightmostEdge(parent) - rightmost;
    if (grown > 0)
        Widen(parent, grown, rightmost);
}

void FitTipBeside(HWND tip, HWND value, int dpi)
{
    const RECT now = ClientRectOf(tip);
    const LONG width = now.right - now.left;
    const LONG deficit = win32::TextExtent(tip, width).cx - width; // a word wider than its column
    if (deficit <= 0)
        return;
    ::SetWindowPos(tip, nullptr, 0, 0, now.right - now.left + deficit, now.bottom - now.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT beside = ClientRectOf(value);
    const LONG left = std::max<LONG>(beside.left, now.right + deficit + win32::Scale(kFitGap, dpi));
    ::SetWindowPos(value, nullptr, left, beside.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace ui
