// Every window in every language: each control's text fits it in its own font, no two controls
// overlap, each stays inside its window, and each field follows the label that names it. The
// windows are made here, in this process, and never shown.
#include "ui/FolderDialog.h"
#include "ui/OverwriteDialog.h"
#include "ui/PasswordDialog.h"
#include "ui/ProgressWindow.h"
#include "ui/WindowTexts.h"
#include "win32/Dpi.h"

#include "lang/TextKeys.h"
#include "support/Languages.h"
#include "win32/Text.h"
#include "win32/WindowPlacement.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace ui;
using namespace lang;
using namespace testing_support;

namespace {

// The nine language files the program carries.
constexpr const wchar_t* kLanguages[] = {L"Lang_English",  L"Lang_Deutsch",    L"Lang_French",
                                         L"Lang_Italian",  L"Lang_Portuguese", L"Lang_Spanish",
                                         L"Lang_Japanese", L"Lang_Simplified", L"Lang_Traditional"};

struct Control {
    HWND window;
    std::wstring className;
    std::wstring text;
    RECT rect; // in the parent's client area
    bool frame; // a group box: it holds others
};

std::vector<Control> VisibleControls(HWND parent)
{
    std::vector<Control> controls;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        wchar_t className[32] = {};
        ::GetClassNameW(child, className, 32);
        const RECT r = win32::ClientRectOf(child);
        const bool frame = (::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                           ::lstrcmpiW(className, L"BUTTON") == 0;
        controls.push_back({child, className, win32::GetText(child), r, frame});
    }
    return controls;
}

// The size a word-wrapping label needs for its text at its width: its widest line (wider than
// the label when a word does not fit) and its lines' height.
SIZE Wrapped(const Control& c)
{
    return win32::TextExtent(c.window, c.rect.right - c.rect.left);
}

bool Wraps(const Control& c)
{
    return c.className == L"Static" && !(::GetWindowLongW(c.window, GWL_STYLE) & SS_NOPREFIX) &&
           c.rect.bottom - c.rect.top > 20;
}

void ExpectAllFits(HWND window, const std::string& name)
{
    SCOPED_TRACE(name);
    ASSERT_NE(window, nullptr) << "no window: is there a display?";
    RECT client;
    ::GetClientRect(window, &client);
    const int dpi = win32::DpiOf(window);
    const auto controls = VisibleControls(window);
    ASSERT_GT(controls.size(), 3u);
    for (const Control& c : controls) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_TRUE(c.rect.left >= 0 && c.rect.top >= 0 && c.rect.right <= client.right &&
                    c.rect.bottom <= client.bottom)
            << "outside the window";
        if (c.text.empty() || c.frame || c.className == L"Edit")
            continue;
        if (Wraps(c)) {
            EXPECT_LE(Wrapped(c).cy, c.rect.bottom - c.rect.top) << "its lines are cut";
            EXPECT_LE(Wrapped(c).cx, c.rect.right - c.rect.left) << "a word is cut";
        } else
            EXPECT_LE(NeededWidth(c.window, dpi), c.rect.right - c.rect.left) << "its text is cut";
    }
    // What a person sees of each control: a label only as far as its text reaches.
    std::vector<RECT> seen;
    for (const Control& c : controls) {
        RECT r = c.rect;
        if (c.className == L"Static" && !c.text.empty()) {
            const LONG text = Wraps(c) ? Wrapped(c).cx : NeededWidth(c.window, dpi);
            const LONG width = std::min<LONG>(text, r.right - r.left);
            if (::GetWindowLongW(c.window, GWL_STYLE) & SS_RIGHT)
                r.left = r.right - width;
            else
                r.right = r.left + width;
        }
        seen.push_back(r);
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const RECT &a = seen[i], &b = seen[j];
            if (controls[i].frame || controls[j].frame)
                continue;
            const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
            EXPECT_FALSE(overlap) << std::string(controls[i].text.begin(), controls[i].text.end()) << " and "
                                  << std::string(controls[j].text.begin(), controls[j].text.end());
        }
    }
}

TEST(WindowTexts, FitInEveryLanguage)
{
    ScratchFolder scratch;
    for (const wchar_t* language : kLanguages) {
        const std::string name(language, language + ::lstrlenW(language));
        const UseLanguage inUse(scratch, language);

        ProgressWindow main;
        main.SetTexts();
        ExpectAllFits(main.hwnd(), name + " progress");
        FolderDialog folder(main.hwnd());
        folder.SetTexts();
        ExpectAllFits(folder.hwnd(), name + " folder");
        PasswordDialog password(main.hwnd());
        password.SetTexts();
        ExpectAllFits(password.hwnd(), name + " password");
        OverwriteDialog overwrite(main.hwnd());
        overwrite.SetTexts();
        ExpectAllFits(overwrite.hwnd(), name + " overwrite");
    }
}

// A child as the test reads it: its class and text.
std::wstring Describe(HWND child)
{
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    return std::wstring(className) + L" \"" + win32::GetText(child) + L"\"";
}

// The child just before the first child of className, in the window's child order: the one a
// screen reader names that control by.
HWND ChildBefore(HWND parent, const wchar_t* className)
{
    HWND before = nullptr;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        if (::lstrcmpiW(name, className) == 0)
            return before;
        before = child;
    }
    return nullptr;
}

// The controls that Tab visits, in order.
std::vector<std::wstring> TabStops(HWND parent)
{
    std::vector<std::wstring> stops;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)
            stops.push_back(Describe(child));
    return stops;
}

// Each field comes just after its label, so that a screen reader says what it is for: the folder
// field "Extract to:", the password field "Enter password:", the progress bar the status line above
// it; and Tab still visits the controls in the order the windows define, in every language.
TEST(WindowChildOrder, EachFieldFollowsItsLabelAndTabKeepsItsOrder)
{
    ScratchFolder scratch;
    for (const wchar_t* language : kLanguages) {
        SCOPED_TRACE(std::string(language, language + ::lstrlenW(language)));
        const UseLanguage inUse(scratch, language);
        const std::wstring ok = L"Button \"" + LangText(key::kOk) + L"\"";
        const std::wstring cancel = L"Button \"" + LangText(key::kCancel) + L"\"";

        ProgressWindow main;
        main.SetTexts();
        FolderDialog folder(main.hwnd());
        folder.SetTexts();
        PasswordDialog password(main.hwnd());
        password.SetTexts();

        HWND folderLabel = ChildBefore(folder.hwnd(), L"Edit");
        ASSERT_TRUE(folderLabel);
        EXPECT_EQ(Describe(folderLabel), L"Static \"" + LangText(key::kExtractTo) + L"\"");
        EXPECT_EQ(TabStops(folder.hwnd()), (std::vector<std::wstring>{ok, cancel, L"Edit \"\"", L"Button \"...\""}));

        HWND passwordLabel = ChildBefore(password.hwnd(), L"Edit");
        ASSERT_TRUE(passwordLabel);
        EXPECT_EQ(Describe(passwordLabel), L"Static \"" + LangText(key::kEnterPassword) + L"\"");
        EXPECT_EQ(TabStops(password.hwnd()), (std::vector<std::wstring>{L"Edit \"\"", ok, cancel,
                                                                     L"Button \"" + LangText(key::kShowPassword) + L"\""}));

        // The status line: the label right above the bar, at its left edge.
        HWND status = ChildBefore(main.hwnd(), PROGRESS_CLASSW);
        HWND bar = ::FindWindowExW(main.hwnd(), nullptr, PROGRESS_CLASSW, nullptr);
        ASSERT_TRUE(status && bar);
        const RECT above = win32::ClientRectOf(status), barRect = win32::ClientRectOf(bar);
        EXPECT_EQ(Describe(status).rfind(L"Static ", 0), 0u) << Describe(status);
        EXPECT_LE(above.bottom, barRect.top);
        EXPECT_EQ(above.left, barRect.left);
        EXPECT_EQ(TabStops(main.hwnd()),
                  (std::vector<std::wstring>{L"Button \"" + LangText(key::kBackground) + L"\"",
                                             L"Button \"" + LangText(key::kPause) + L"\"", cancel}));
    }
}

} // namespace
