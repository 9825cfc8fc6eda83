#include "win32/Dpi.h"

namespace win32 {

namespace {

// A function of user32 that older systems lack: null there. (user32 is always mapped.)
template <class Function>
Function* OptionalUser32(const char* name)
{
    return reinterpret_cast<Function*>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

using GetDpiForWindowFn = UINT WINAPI(HWND);
using GetSystemMetricsForDpiFn = int WINAPI(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT);

int SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

} // namespace

RECT Scale(const RECT& rect, int dpi)
{
    const int left = Scale(rect.left, dpi), top = Scale(rect.top, dpi);
    return {left, top, left + Scale(rect.right - rect.left, dpi), top + Scale(rect.bottom - rect.top, dpi)};
}

int DpiOf(HWND window)
{
    static auto* const getDpiForWindow = OptionalUser32<GetDpiForWindowFn>("GetDpiForWindow");
    const int dpi = getDpiForWindow && window ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

int MetricAt(int index, int dpi)
{
    static auto* const forDpi = OptionalUser32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(dpi));
    // The system's metrics are at the system's DPI.
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

SIZE FrameSizeFor(int width, int height, DWORD style, DWORD exStyle, int dpi)
{
    static auto* const forDpi = OptionalUser32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, width, height};
    if (forDpi)
        forDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi));
    else
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace win32
