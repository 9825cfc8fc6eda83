#include "ui/TextFit.h"

#include <algorithm>

namespace ui {

RECT FitToText(const RECT& control, int neededWidth, FitAnchor anchor, const std::vector<RECT>& others,
               int clientWidth, int gap)
{
    const LONG width = control.right - control.left;
    if (neededWidth <= width)
        return control;

    // The room in the control's row: from the nearest control on its left to the nearest on its
    // right, within the client area.
    LONG low = 0, high = clientWidth;
    for (const RECT& other : others) {
        const bool sameRow = other.top < control.bottom && control.top < other.bottom;
        if (!sameRow)
            continue;
        if (other.right <= control.left)
            low = std::max<LONG>(low, other.right + gap);
        else if (other.left >= control.right)
            high = std::min<LONG>(high, other.left - gap);
    }
    if (anchor == FitAnchor::Left)
        low = control.left;

    const LONG wanted = std::min<LONG>(neededWidth, high - low);
    const LONG grow = wanted - width;
    RECT fitted = control;
    if (anchor == FitAnchor::Centre) {
        fitted.left -= grow / 2;
        fitted.right += grow - grow / 2;
    } else {
        fitted.right += grow;
    }
    // Back inside the room, keeping the width.
    if (fitted.left < low) {
        fitted.right += low - fitted.left;
        fitted.left = low;
    }
    if (fitted.right > high) {
        fitted.left -= fitted.right - high;
        fitted.right = high;
    }
    return fitted;
}

} // namespace ui
