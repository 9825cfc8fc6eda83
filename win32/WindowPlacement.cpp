#include "win32/WindowPlacement.h"

namespace win32 {

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

RECT ClientRectOf(HWND child)
{
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool IsOutOfSight(HWND window)
{
    return ::IsIconic(window) || !::IsWindowVisible(window);
}

} // namespace win32
