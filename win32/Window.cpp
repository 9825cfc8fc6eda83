#include "win32/Window.h"

#include <commctrl.h>

#include "win32/Dpi.h"
#include "win32/Text.h"
#include "win32/WindowPlacement.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace win32 {

namespace {

// How often a question that the system hid looks whether its owner is back.
constexpr DWORD kHiddenPollMs = 100;

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
    // Made at its place at 96 DPI, which puts it on its monitor; then sized for that monitor's DPI
    // and centred again.
    RECT area = WorkArea();
    if (centreOnOwner && owner && !IsOutOfSight(owner))
        ::GetWindowRect(owner, &area);
    const SIZE outer = FrameSizeFor(width, height, style, exStyle, kBaseDpi);
    const POINT at = CentredIn(area, outer.cx, outer.cy);
    ::CreateWindowExW(exStyle, className, L"", style, at.x, at.y, outer.cx, outer.cy, owner, nullptr, instance,
                      this);
    if (!hwnd_)
        return;
    client_ = {width, height};
    dpi_ = DpiOf(hwnd_);
    LayOut();
    RECT frame;
    ::GetWindowRect(hwnd_, &frame);
    const POINT centred = CentredIn(area, frame.right - frame.left, frame.bottom - frame.top);
    ::SetWindowPos(hwnd_, nullptr, centred.x, centred.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::LayOut()
{
    const HFONT font = DialogFont(dpi_);
    for (const Placed& placed : placed_) {
        const RECT r = Scale(placed.place, dpi_);
        ::SetWindowPos(placed.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (placed.fitsText)
            FitLabelAtDpi(placed);
    }
    SetClientSize(Scale(client_.cx, dpi_), Scale(client_.cy, dpi_));
    // The icons of the caption and the task switcher, drawn at this DPI's sizes.
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (auto [which, metric, icon] : {std::tuple{ICON_BIG, SM_CXICON, &bigIcon_}, {ICON_SMALL, SM_CXSMICON, &smallIcon_}}) {
        const int size = MetricAt(metric, dpi_);
        IconHandle loaded(static_cast<HICON>(::LoadImageW(instance, L"MAINICON", IMAGE_ICON, size, size, 0)));
        if (!loaded)
            continue;
        ::SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(loaded.get()));
        *icon = std::move(loaded); // the one shown before goes only now
    }
}

void Window::SetClientSize(int width, int height)
{
    const SIZE outer = FrameSizeFor(width, height, static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE)),
                                    static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_EXSTYLE)), dpi_);
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, flags);
    // Where the frame the system draws differs from the one it reported, the client area decides.
    RECT client;
    ::GetClientRect(hwnd_, &client);
    if (client.right != width || client.bottom != height)
        ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx + width - client.right, outer.cy + height - client.bottom, flags);
}

void Window::OnDpiChanged(int dpi, const RECT& suggested)
{
    dpi_ = dpi;
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
    Arrange();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
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
        } catch (...) {
            self->OnError(std::current_exception());
        }
    } catch (...) {
        // Not even the error box could be shown.
    }
    return 0;
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A modal window's close box, Alt+F4 or system menu ends it like its Cancel.
    if (message == WM_CLOSE && modal_) {
        EndModal();
        return 0;
    }
    if (message == WM_DPICHANGED) {
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
    // Only an answer ends the question (EndModal). The system may hide it meanwhile: minimising
    // the owner from its taskbar button hides the windows it owns. It then stays open, unseen,
    // and shows again once the owner is back.
    MSG message;
    while (modal_ && hwnd_) {
        if (!::IsWindowVisible(hwnd_) && !(owner && ::IsIconic(owner))) {
            ::ShowWindow(hwnd_, SW_SHOW);
            ::SetForegroundWindow(hwnd_);
        }
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // While hidden, look again now and then: restoring the owner posts nothing to us.
            ::MsgWaitForMultipleObjectsEx(0, nullptr, ::IsWindowVisible(hwnd_) ? INFINITE : kHiddenPollMs,
                                          QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (message.message == WM_QUIT) {
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

HWND Window::AddControl(const wchar_t* className, const std::wstring& text, DWORD style, const Box& box, int id)
{
    const RECT place{box.x, box.y, box.x + box.width, box.y + box.height};
    const RECT r = Scale(place, dpi_);
    HWND control = ::CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                     r.right - r.left, r.bottom - r.top, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                     nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(dpi_)), FALSE);
    placed_.push_back({control, place, false, 0});
    return control;
}

HWND Window::AddLabel(const std::wstring& text, const Box& box, DWORD style)
{
    HWND label = AddControl(L"STATIC", text, style, {box.x, box.y, box.width ? box.width : 1, box.height ? box.height : 13});
    if (!box.width)
        FitLabel(label);
    return label;
}

Window::Placed* Window::PlacedOf(HWND control)
{
    const auto found = std::find_if(placed_.begin(), placed_.end(), [&](const Placed& p) { return p.control == control; });
    return found == placed_.end() ? nullptr : &*found;
}

void Window::FitLabel(HWND label, int maxWidth)
{
    Placed* placed = PlacedOf(label);
    if (!placed)
        return;
    placed->fitsText = true;
    placed->maxWidth = maxWidth;
    FitLabelAtDpi(*placed);
}

void Window::FitLabelAtDpi(const Placed& label)
{
    const SIZE text = TextExtent(label.control);
    LONG width = text.cx + 2;
    if (label.maxWidth > 0)
        width = std::min<LONG>(width, Scale(label.maxWidth, dpi_));
    const LONG height = std::max<LONG>(text.cy, Scale(label.place.bottom - label.place.top, dpi_));
    ::SetWindowPos(label.control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Window::AddButton(int id, const std::wstring& text, const Box& box)
{
    return AddControl(L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, box, id);
}

HWND Window::AddCheckBox(int id, const std::wstring& text, const Box& box)
{
    return AddControl(L"BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX, box, id);
}

HWND Window::AddEdit(int id, const Box& box, DWORD style)
{
    HWND edit = AddControl(L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | style, box, id);
    ::SetWindowLongPtrW(edit, GWL_EXSTYLE, ::GetWindowLongPtrW(edit, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    ::SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return edit;
}

HWND Window::AddGroupBox(const Box& box)
{
    return AddControl(L"BUTTON", L"", BS_GROUPBOX, box);
}

} // namespace win32
