// Where the controls of each window stand at 96 DPI (the base scales them to the monitor's), and
// each window's client size. The windows are built from these; the layout test checks the windows
// against the same tables, in the order the windows make their controls (their tab order).
#pragma once

#include "win32/Window.h"

namespace ui {

namespace layout {

// A control of a window's table: a name for the test's messages, and its place.
struct Control {
    const char* name;
    win32::Box box;
};

namespace progress {
inline constexpr SIZE kClient{392, 210};
inline constexpr win32::Box kBackground{24, 164, 75, 25}, kPause{159, 164, 75, 25}, kCancel{294, 164, 75, 25};
inline constexpr win32::Box kFrame{24, 66, 345, 78};
inline constexpr win32::Box kStatus{24, 13, 0, 13}, kBar{24, 37, 345, 17}, kPercent{340, 13, 29, 13};
// Inside the frame: each figure beside its caption.
inline constexpr win32::Box kTotalSizeTip{40, 83, 84, 26}, kTotalSize{123, 83, 0, 13};
inline constexpr win32::Box kProcessedTip{154, 99, 40, 13}, kProcessed{218, 99, 0, 13};
inline constexpr win32::Box kElapsedTip{222, 83, 90, 26}, kElapsed{317, 83, 0, 13};
inline constexpr win32::Box kSpeedTip{40, 113, 84, 26}, kSpeed{123, 113, 0, 13};
inline constexpr win32::Box kRemainingTip{222, 113, 90, 26}, kRemaining{317, 113, 0, 13};
inline constexpr Control kControls[] = {
    {"Background", kBackground}, {"Pause", kPause}, {"Cancel", kCancel}, {"frame", kFrame}, {"status", kStatus},
    {"progress bar", kBar}, {"percent", kPercent}, {"total size tip", kTotalSizeTip}, {"total size", kTotalSize},
    {"processed tip", kProcessedTip}, {"processed", kProcessed}, {"elapsed tip", kElapsedTip}, {"elapsed", kElapsed},
    {"speed tip", kSpeedTip}, {"speed", kSpeed}, {"remaining tip", kRemainingTip}, {"remaining", kRemaining}};
} // namespace progress

namespace folder {
inline constexpr SIZE kClient{380, 120};
inline constexpr win32::Box kOk{155, 79, 90, 25}, kCancel{276, 79, 90, 25};
inline constexpr win32::Box kLabel{15, 13, 0, 13}, kEdit{15, 35, 306, 21}, kBrowse{331, 33, 35, 25};
inline constexpr Control kControls[] = {
    {"OK", kOk}, {"Cancel", kCancel}, {"Extract to", kLabel}, {"folder", kEdit}, {"...", kBrowse}};
} // namespace folder

namespace password {
inline constexpr SIZE kClient{284, 142};
inline constexpr win32::Box kLabel{24, 13, 0, 13}, kEdit{24, 37, 236, 21};
inline constexpr win32::Box kOk{48, 101, 75, 25}, kCancel{168, 101, 75, 25}, kShow{24, 68, 169, 17};
inline constexpr Control kControls[] = {
    {"Enter password", kLabel}, {"password", kEdit}, {"OK", kOk}, {"Cancel", kCancel}, {"Show password", kShow}};
} // namespace password

namespace overwrite {
inline constexpr SIZE kClient{402, 272};
inline constexpr win32::Box kYes{23, 213, 90, 25}, kYesAll{155, 213, 90, 25}, kRename{287, 213, 90, 25};
inline constexpr win32::Box kNo{23, 242, 90, 25}, kNoAll{155, 242, 90, 25}, kCancel{287, 242, 90, 25};
inline constexpr win32::Box kFrame{8, 9, 386, 198};
// Inside the frame: the question, the existing file, then the new one.
inline constexpr win32::Box kQuestion{21, 18, 0, 13}, kPath{46, 37, 0, 13}, kReplace{21, 65, 0, 13};
inline constexpr win32::Box kExistingIcon{48, 91, 32, 32}, kExistingSize{101, 91, 0, 13}, kExistingTime{101, 110, 0, 13};
inline constexpr win32::Box kWith{21, 137, 0, 13};
inline constexpr win32::Box kNewIcon{48, 163, 32, 32}, kNewSize{101, 163, 0, 13}, kNewTime{101, 182, 0, 13};
inline constexpr Control kControls[] = {
    {"Yes", kYes}, {"Yes to All", kYesAll}, {"Auto Rename", kRename}, {"No", kNo}, {"No to All", kNoAll},
    {"Cancel", kCancel}, {"frame", kFrame}, {"question", kQuestion}, {"path", kPath}, {"replace", kReplace},
    {"existing icon", kExistingIcon}, {"existing size", kExistingSize}, {"existing time", kExistingTime},
    {"with", kWith}, {"new icon", kNewIcon}, {"new size", kNewSize}, {"new time", kNewTime}};
} // namespace overwrite

} // namespace layout

} // namespace ui
