#include "win32/MessageBox.h"

#include "win32/WindowPlacement.h"

#include <utility>

namespace win32 {

namespace {

std::wstring& Title()
{
    static std::wstring title;
    return title;
}

// Moves the next window the thread activates (the message box) onto the work area, then lets go.
thread_local HHOOK centringHook = nullptr;

LRESULT CALLBACK CentreNextActivated(int code, WPARAM wParam, LPARAM lParam)
{
    HHOOK hook = centringHook;
    if (code == HCBT_ACTIVATE && hook) {
        centringHook = nullptr;
        ::UnhookWindowsHookEx(hook);
        CentreOnWorkArea(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

// Brackets a message box: the centring hook is gone at the end whatever happened.
struct CentringScope {
    explicit CentringScope(bool wanted)
    {
        if (wanted)
            centringHook = ::SetWindowsHookExW(WH_CBT, &CentreNextActivated, nullptr, ::GetCurrentThreadId());
    }
    ~CentringScope()
    {
        if (HHOOK hook = std::exchange(centringHook, nullptr))
            ::UnhookWindowsHookEx(hook);
    }
};

} // namespace

int ShowMessage(HWND owner, const std::wstring& text, UINT flags)
{
    const bool outOfSight = owner && IsOutOfSight(owner);
    CentringScope centred(outOfSight);
    return ::MessageBoxW(owner, text.c_str(), Title().c_str(), flags | (outOfSight ? MB_SETFOREGROUND : 0));
}

void SetApplicationTitle(const std::wstring& title)
{
    Title() = title;
}

const std::wstring& ApplicationTitle()
{
    return Title();
}

} // namespace win32
