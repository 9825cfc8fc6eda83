// The four windows at the system's DPI and after a move to a monitor of another DPI: every place
// and size is the one at 96 DPI scaled, the font and the icons too. The other system DPIs are
// tried in programs of their own: the system reads its DPI when a program starts.
#include "ui/ProgressWindow.h"
#include "ui/OverwriteDialog.h"
#include "ui/PasswordDialog.h"
#include "ui/FolderDialog.h"
#include "win32/Dpi.h"

#include "support/Languages.h"
#include "win32/Placement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// A control's place at 96 DPI; a width of 0 for a label as wide as its text.
struct Place {
    const char* name;
    int x, y, width, height;
};

struct Design {
    int width, height; // the client area
    std::vector<Place> controls; // in the order the window makes them
};

const Design kMain{392, 210, {
    {"Background", 24, 164, 75, 25}, {"Pause", 159, 164, 75, 25}, {"Cancel", 294, 164, 75, 25},
    {"frame", 24, 66, 345, 78}, {"status", 24, 13, 0, 13}, {"progress bar", 24, 37, 345, 17},
    {"percent", 340, 13, 29, 13}, {"total size tip", 40, 83, 84, 26}, {"total size", 123, 83, 0, 13},
    {"processed tip", 154, 99, 40, 13}, {"processed", 218, 99, 0, 13}, {"elapsed tip", 222, 83, 90, 26},
    {"elapsed", 317, 83, 0, 13}, {"speed tip", 40, 113, 84, 26}, {"speed", 123, 113, 0, 13},
    {"remaining tip", 222, 113, 90, 26}, {"remaining", 317, 113, 0, 13}}};
const Design kFolder{380, 120, {
    {"OK", 155, 79, 90, 25}, {"Cancel", 276, 79, 90, 25}, {"Extract to", 15, 13, 0, 13}, {"folder", 15, 35, 306, 21},
    {"...", 331, 33, 35, 25}}};
const Design kPassword{284, 142, {
    {"Enter password", 24, 13, 0, 13}, {"password", 24, 37, 236, 21}, {"OK", 48, 101, 75, 25},
    {"Cancel", 168, 101, 75, 25}, {"Show password", 24, 68, 169, 17}}};
const Design kOverwrite{402, 272, {
    {"Yes", 23, 213, 90, 25}, {"Yes to All", 155, 213, 90, 25}, {"Auto Rename", 287, 213, 90, 25},
    {"No", 23, 242, 90, 25}, {"No to All", 155, 242, 90, 25}, {"Cancel", 287, 242, 90, 25},
    {"frame", 8, 9, 386, 198}, {"would replace", 21, 18, 0, 13}, {"file", 46, 37, 0, 13},
    {"with", 21, 65, 0, 13}, {"existing icon", 48, 91, 32, 32}, {"existing size", 101, 91, 0, 13},
    {"existing time", 101, 110, 0, 13}, {"new file", 21, 137, 0, 13}, {"new icon", 48, 163, 32, 32},
    {"new size", 101, 163, 0, 13}, {"new time", 101, 182, 0, 13}}};

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

void ExpectLaidOut(HWND window, const Design& design, int dpi, const std::string& name)
{
    SCOPED_TRACE(name + " at " + std::to_string(dpi) + " DPI");
    ASSERT_NE(window, nullptr) << "no window: is there a display?";
    RECT client;
    ::GetClientRect(window, &client);
    ExpectScaled("client width", client.right, design.width, dpi);
    ExpectScaled("client height", client.bottom, design.height, dpi);

    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), design.controls.size());
    for (size_t i = 0; i < children.size(); ++i) {
        const Place& place = design.controls[i];
        SCOPED_TRACE(place.name);
        const RECT r = win32::ClientRectOf(children[i]);
        ExpectScaled("left", r.left, place.x, dpi);
        ExpectScaled("top", r.top, place.y, dpi);
        if (place.width) {
            ExpectScaled("width", r.right - r.left, place.width, dpi);
            ExpectScaled("height", r.bottom - r.top, place.height, dpi);
        } else {
            EXPECT_GE(r.bottom - r.top + 1, win32::Scale(place.height, dpi)) << "height";
        }
        if (std::string(place.name).ends_with("icon"))
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
    const int icons[] = {10, 14}; // the two icon controls, by their place in the design
    for (int index : icons) {
        HWND image = ::GetWindow(overwrite, GW_CHILD);
        for (int i = 0; i < index; ++i)
            image = ::GetWindow(image, GW_HWNDNEXT);
        const SIZE size = IconSize(reinterpret_cast<HICON>(::SendMessageW(image, STM_GETICON, 0, 0)));
        ExpectScaled("file icon", size.cx, 32, dpi);
    }
}

// The four windows with their English texts, the overwrite question about two real files.
struct Windows {
    explicit Windows(const ScratchFolder& scratch)
    {
        UseLanguage(scratch, L"Lang_English");
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
        ExpectLaidOut(main.hwnd(), kMain, dpi, "progress");
        ExpectLaidOut(folder.hwnd(), kFolder, dpi, "folder");
        ExpectLaidOut(password.hwnd(), kPassword, dpi, "password");
        ExpectLaidOut(overwrite.hwnd(), kOverwrite, dpi, "overwrite");
        ExpectFileIcons(overwrite.hwnd(), dpi);
    }

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
