#include "win32/Window.h"

#include <commctrl.h>

#include "win32/Error.h"
#include "win32/Handles.h"

#include <algorithm>
#include <new>
#include <utility>

namespace win32 {

namespace {

std::wstring& Title()
{
    static std::wstring title;
    return title;
}

RECT WorkArea()
{
    RECT area;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// Where a window of width x height stands centred over area.
POINT CentredIn(const RECT& area, int width, int height)
{
    return {area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
}

void CentreOnWorkArea(HWND window)
{
    RECT frame;
    ::GetWindowRect(window, &frame);
    const POINT at = CentredIn(WorkArea(), frame.right - frame.left, frame.bottom - frame.top);
    ::SetWindowPos(window, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
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

Window::~Window()
{
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

void Window::Create(const wchar_t* className, DWORD style, DWORD exStyle, int width, int height, HWND owner,
                    bool centreOnOwner)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!::GetClassInfoExW(instance, className, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Window::Proc;
        windowClass.hInstance = instance;
        windowClass.hIcon = ::LoadIconW(instance, L"MAINICON");
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        ::RegisterClassExW(&windowClass);
    }
    RECT frame{0, 0, width, height};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    RECT area = WorkArea();
    if (centreOnOwner && owner && !IsOutOfSight(owner))
        ::GetWindowRect(owner, &area);
    const POINT at = CentredIn(area, outerWidth, outerHeight);
    ::CreateWindowExW(exStyle, className, L"", style, at.x, at.y, outerWidth, outerHeight, owner, nullptr, instance,
                      this);
}

LRESULT CALLBACK Window::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        self->modal_ = false;
    }
    try {
        try {
            return self->OnMessage(message, wParam, lParam);
        } catch (const Error& e) {
            self->OnError(e.message());
        } catch (const std::bad_alloc&) {
            self->OnError(L"There is not enough memory to go on.");
        } catch (...) {
            self->OnError(L"An unexpected error occurred.");
        }
    } catch (...) {
        // Not even the error box could be shown.
    }
    return 0;
}

void Window::OnError(const std::wstring& message)
{
    ShowMessage(hwnd_, message, MB_OK | MB_ICONERROR);
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A modal window's close box, Alt+F4 or system menu ends it like its Cancel.
    if (message == WM_CLOSE && modal_) {
        EndModal();
        return 0;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Window::ShowModal(HWND owner)
{
    const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled)
        ::EnableWindow(owner, FALSE);
    modal_ = true;
    if (owner && IsOutOfSight(owner))
        CentreOnWorkArea(hwnd_); // the owner's place may be off the screen
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    MSG message;
    while (modal_ && hwnd_ && ::IsWindowVisible(hwnd_)) {
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!::IsDialogMessageW(hwnd_, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    modal_ = false;
    if (ownerWasEnabled)
        ::EnableWindow(owner, TRUE);
    if (hwnd_)
        ::ShowWindow(hwnd_, SW_HIDE);
    if (owner)
        ::SetActiveWindow(owner);
}

void Window::EndModal()
{
    modal_ = false;
    ::ShowWindow(hwnd_, SW_HIDE);
}

HWND Window::AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y, int width,
                        int height, int id)
{
    HWND control = ::CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                     hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    return control;
}

HWND Window::AddLabel(const std::wstring& text, int x, int y, int width, int height, DWORD style)
{
    HWND label = AddControl(L"STATIC", text, style, x, y, width ? width : 1, height ? height : 13);
    if (!width)
        FitLabel(label);
    return label;
}

void Window::FitLabel(HWND label, int maxWidth)
{
    const SIZE text = TextExtent(label);
    LONG width = text.cx + 2;
    if (maxWidth > 0)
        width = std::min<LONG>(width, maxWidth);
    ::SetWindowPos(label, nullptr, 0, 0, width, std::max<LONG>(text.cy, 13), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Window::AddButton(int id, const std::wstring& text, int x, int y, int width, int height)
{
    return AddControl(L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, x, y, width, height, id);
}

HWND Window::AddCheckBox(int id, const std::wstring& text, int x, int y, int width, int height)
{
    return AddControl(L"BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX, x, y, width, height, id);
}

HWND Window::AddEdit(int id, int x, int y, int width, int height, DWORD style)
{
    HWND edit = AddControl(L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | style, x, y, width, height, id);
    ::SetWindowLongPtrW(edit, GWL_EXSTYLE, ::GetWindowLongPtrW(edit, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    ::SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return edit;
}

HWND Window::AddGroupBox(int x, int y, int width, int height)
{
    return AddControl(L"BUTTON", L"", BS_GROUPBOX, x, y, width, height);
}

HFONT DialogFont()
{
    static HFONT font = [] {
        HDC screen = ::GetDC(nullptr);
        const int height = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
        ::ReleaseDC(nullptr, screen);
        return ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    }();
    return font;
}

SIZE TextExtent(HWND control, int wrapWidth)
{
    const std::wstring text = GetText(control);
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    RECT bounds{0, 0, wrapWidth, 0};
    const WindowDC dc(control, font ? font : DialogFont());
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

int ShowMessage(HWND owner, const std::wstring& text, UINT flags)
{
    const bool outOfSight = owner && IsOutOfSight(owner);
    CentringScope centred(outOfSight);
    return ::MessageBoxW(owner, text.c_str(), Title().c_str(), flags | (outOfSight ? MB_SETFOREGROUND : 0));
}

bool IsOutOfSight(HWND window)
{
    return ::IsIconic(window) || !::IsWindowVisible(window);
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
