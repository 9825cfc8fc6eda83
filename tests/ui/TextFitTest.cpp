#include "ui/TextFit.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace ui;

std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

TEST(FitToText, GrowsAsTheAnchorSaysWithinTheRoomOfItsRow)
{
    // The progress window's three buttons (client width 392): the first is the one that grows.
    const RECT hide{24, 164, 99, 189}, pause{159, 164, 234, 189}, cancel{294, 164, 369, 189};
    const RECT above{24, 37, 369, 54}; // the progress bar: another row
    const struct {
        const char* name;
        RECT control;
        int needed;
        FitAnchor anchor;
        std::vector<RECT> others;
        int clientWidth;
        RECT expected;
    } cases[] = {
        {"fits: unchanged", hide, 75, FitAnchor::Centre, {pause, cancel, above}, 392, hide},
        {"a button keeps its centre", hide, 111, FitAnchor::Centre, {pause, cancel, above}, 392, {6, 164, 117, 189}},
        {"moved off the client's edge", hide, 125, FitAnchor::Centre, {pause, cancel, above}, 392, {0, 164, 125, 189}},
        {"stopped by the neighbour", hide, 300, FitAnchor::Centre, {pause, cancel, above}, 392, {0, 164, 155, 189}},
        {"the middle button between two", pause, 140, FitAnchor::Centre, {hide, cancel}, 392, {127, 164, 267, 189}},
        {"moved off a neighbour", pause, 140, FitAnchor::Centre, {{24, 164, 140, 189}, cancel}, 392, {144, 164, 284, 189}},
        {"a label keeps its left edge", {24, 13, 60, 26}, 80, FitAnchor::Left, {}, 392, {24, 13, 104, 26}},
        {"a label stops at the client's edge", {340, 13, 369, 26}, 80, FitAnchor::Left, {}, 392, {340, 13, 392, 26}},
        {"a label stops at its neighbour", {24, 68, 100, 85}, 200, FitAnchor::Left, {{150, 60, 200, 90}}, 392, {24, 68, 146, 85}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitToText(c.control, c.needed, c.anchor, c.others, c.clientWidth), c.expected);
    }
}

} // namespace
