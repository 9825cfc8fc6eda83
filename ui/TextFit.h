// Where a control must stand for its text to fit: pure arithmetic on client rectangles.
#pragma once

#include <windows.h>

#include <vector>

namespace ui {

// Buttons grow about their centre, labels and check boxes from their left edge.
enum class FitAnchor { Centre, Left };

// The smallest gap kept between a grown control and a control beside it, at 96 DPI.
inline constexpr int kFitGap = 4;

// The rectangle of control once it is at least neededWidth wide. It grows as its anchor says;
// a control beside it in its row (others, overlapping it from top to bottom) or the client
// area's edge (0 to clientWidth) moves it the other way where there is room, and limits its
// growth where there is none, keeping gap pixels from its neighbours.
RECT FitToText(const RECT& control, int neededWidth, FitAnchor anchor, const std::vector<RECT>& others,
               int clientWidth, int gap = kFitGap);

} // namespace ui
