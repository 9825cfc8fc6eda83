// The four windows at the system's DPI and after a move to a monitor of another DPI: every place
// and size is the one at 96 DPI scaled, the font and the icons too. The other system DPIs are
// tried in programs of their own: the system reads its DPI when a program starts.
#include "ui/FolderDialog.h"
#include "ui/OverwriteDialog.h"
#include "ui/PasswordDialog.h"
#include "ui/ProgressWindow.h"
#include "ui/WindowLayouts.h"
#include "win32/Dpi.h"

#include "support/Languages.h"
#include "win32/WindowPlacement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace ui;
using namespace testing_support;

namespace {

SIZE IconSize(HICON icon)
{
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info))
        return {0, 0};
    BITMAP bitmap{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

// Whether a scaled length is the one at 96 DPI scaled, give or take a pixel of rounding.
void ExpectScaled(const char* what, LONG actual, int at96, int dpi)
{
    EXPECT_NEAR(actual, win32::Scale(at96, dpi), 1) << what;
}

// The window's client size and its controls in the order it makes them, from the table the window
// is built from; a label of width 0 is as wide as its text and at least its height high.
template <size_t N>
void ExpectLaidOut(HWND window, SIZE client, const layout::Control (&controls)[N], int dpi, const std::string& name)
{
    SCOPED_TRACE(name + " at " + std::to_string(dpi) + " DPI");
    ASSERT_NE(window, nullptr) << "no window: is there a display?";
    RECT area;
    ::GetClientRect(window, &area);
    ExpectScaled("client width", area.right, client.cx, dpi);
    ExpectScaled("client height", area.bottom, client.cy, dpi);

    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), N);
    for (size_t i = 0; i < children.size(); ++i) {
        const win32::Box& place = controls[i].box;
        SCOPED_TRACE(controls[i].name);
        const RECT r = win32::ClientRectOf(children[i]);
        ExpectScaled("left", r.left, place.x, dpi);
        ExpectScaled("top", r.top, place.y, dpi);
        if (place.width) {
            ExpectScaled("width", r.right - r.left, place.width, dpi);
            ExpectScaled("height", r.bottom - r.top, place.height, dpi);
        } else {
            EXPECT_GE(r.bottom - r.top + 1, win32::Scale(place.height, dpi)) << "height";
        }
        if (std::string(controls[i].name).ends_with("icon"))
            continue; // an icon has no font
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(children[i], WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -::MulDiv(8, dpi, 72)) << "font height";
    }
    const SIZE big = IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0)));
    const SIZE small = IconSize(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0)));
    ExpectScaled("icon", big.cx, 32, dpi);
    ExpectScaled("small icon", small.cx, 16, dpi);
}

void ExpectFileIcons(HWND overwrite, int dpi)
{
    const auto& controls = layout::overwrite::kControls;
    HWND child = ::GetWindow(overwrite, GW_CHILD);
    for (size_t i = 0; i < std::size(controls) && child; ++i, child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!std::string(controls[i].name).ends_with("icon"))
            continue;
        const SIZE size = IconSize(reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0)));
        ExpectScaled(controls[i].name, size.cx, 32, dpi);
    }
}

// The four windows with their English texts, the overwrite question about two real files.
struct Windows {
    explicit Windows(const ScratchFolder& scratch) : language(scratch, L"Lang_English")
    {
        WriteFile(scratch / L"notes.txt", "existing");
        WriteFile(scratch / L"notes (new).txt", "new");
        main.SetTexts();
        folder.SetTexts();
        password.SetTexts();
        overwrite.existingFile = scratch / L"notes.txt";
        overwrite.newFile = scratch / L"notes (new).txt";
        overwrite.SetTexts();
    }
    void ExpectAll(int dpi) const
    {
        ExpectLaidOut(main.hwnd(), layout::progress::kClient, layout::progress::kControls, dpi, "progress");
        ExpectLaidOut(folder.hwnd(), layout::folder::kClient, layout::folder::kControls, dpi, "folder");
        ExpectLaidOut(password.hwnd(), layout::password::kClient, layout::password::kControls, dpi, "password");
        ExpectLaidOut(overwrite.hwnd(), layout::overwrite::kClient, layout::overwrite::kControls, dpi, "overwrite");
        ExpectFileIcons(overwrite.hwnd(), dpi);
    }

    UseLanguage language;
    ProgressWindow main;
    FolderDialog folder{main.hwnd()};
    PasswordDialog password{main.hwnd()};
    OverwriteDialog overwrite{main.hwnd()};
};

// The DPI this program runs at: the one its starter set, 96 (the test prefix's) otherwise.
int ExpectedDpi()
{
    const char* set = std::getenv("UNZIP_TEST_DPI");
    return set ? std::atoi(set) : win32::kBaseDpi;
}

TEST(WindowLayout, ScaledFromTheSizesAt96Dpi)
{
    ScratchFolder scratch;
    const Windows windows(scratch);
    ASSERT_EQ(win32::DpiOf(windows.main.hwnd()), ExpectedDpi());
    windows.ExpectAll(ExpectedDpi());
}

TEST(WindowLayout, LaidOutAgainOnAMonitorOfAnotherDpi)
{
    ScratchFolder scratch;
    const Windows windows(scratch);
    for (HWND window : {windows.main.hwnd(), windows.folder.hwnd(), windows.password.hwnd(), windows.overwrite.hwnd()}) {
        RECT suggested{100, 80, 700, 500};
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        RECT frame;
        ::GetWindowRect(window, &frame);
        EXPECT_EQ(frame.left, 100);
        EXPECT_EQ(frame.top, 80);
    }
    windows.ExpectAll(192);
}

} // namespace

// Sets the system's DPI, as Wine reads it when a program starts, for the programs started while
// it lives; then puts back what was there.
class SystemDpiSetting {
public:
    explicit SystemDpiSetting(DWORD dpi)
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = ::RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~SystemDpiSetting()
    {
        if (had_)
            ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else
            ::RegDeleteValueW(key_, L"LogPixels");
        ::RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
};

// Runs the tests of this program that filter names, in a program of their own started at dpi;
// its exit code.
DWORD RunAtDpi(int dpi, const std::wstring& filter)
{
    const SystemDpiSetting setting(static_cast<DWORD>(dpi));
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=" + filter;
    ::SetEnvironmentVariableW(L"UNZIP_TEST_DPI", std::to_wstring(dpi).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    ::SetEnvironmentVariableW(L"UNZIP_TEST_DPI", nullptr);
    if (!started)
        return ~0u;
    DWORD code = ~0u;
    if (::WaitForSingleObject(process.hProcess, 240000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &code);
    else
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

TEST(WindowLayout, AtEachSystemDpi)
{
    if (std::getenv("UNZIP_TEST_DPI"))
        GTEST_SKIP() << "run by the program at 96 DPI only";
    // 96 DPI is the one this program runs at. Texts are measured again at 150 %.
    for (int dpi : {120, 144, 192}) {
        std::wstring filter = L"WindowLayout.ScaledFromTheSizesAt96Dpi";
        if (dpi == 144)
            filter += L":WindowTexts.FitInEveryLanguage";
        EXPECT_EQ(RunAtDpi(dpi, filter), 0u) << "at " << dpi << " DPI (the failures are above)";
    }
}
