#include "Driver.h"

#include <stdexcept>

namespace e2e {

namespace {

std::wstring WithoutAccessKeys(const std::wstring& text)
{
    std::wstring plain;
    for (wchar_t c : text)
        if (c != L'&')
            plain += c;
    return plain;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

} // namespace

Package::Package(const std::wstring& program, const std::vector<std::wstring>& environment,
                 const std::wstring& currentFolder, const std::wstring& arguments)
{
    // The child's environment: ours, with the extra settings.
    std::vector<std::pair<std::wstring, std::wstring>> saved;
    for (const auto& setting : environment) {
        const std::wstring name = setting.substr(0, setting.find(L'='));
        wchar_t old[4096] = {};
        const bool had = ::GetEnvironmentVariableW(name.c_str(), old, 4096) > 0;
        saved.emplace_back(name, had ? std::wstring(old) : std::wstring(1, L'\0'));
        ::SetEnvironmentVariableW(name.c_str(), setting.substr(name.size() + 1).c_str());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    const std::wstring folder =
        currentFolder.empty() ? program.substr(0, program.find_last_of(L'\\') + 1) : currentFolder;
    // A program file written a moment ago may still be held by the system that wrote it: a few
    // tries, then the reason.
    BOOL started = FALSE;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0)
            ::Sleep(200);
        started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.c_str(), &startup, &info_);
        error = started ? ERROR_SUCCESS : ::GetLastError();
    }
    for (const auto& [name, value] : saved)
        ::SetEnvironmentVariableW(name.c_str(), value == std::wstring(1, L'\0') ? nullptr : value.c_str());
    if (!started)
        throw std::runtime_error("cannot start the package (error " + std::to_string(error) + ")");
}

Package::~Package()
{
    if (Running()) {
        ::TerminateProcess(info_.hProcess, 99);
        ::WaitForSingleObject(info_.hProcess, 5000);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
}

bool Package::WaitForExit(DWORD milliseconds)
{
    return ::WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

bool Package::Running() const
{
    return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Package::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

HWND Package::FindWindowOf(const std::wstring& className) const
{
    struct Search {
        DWORD pid;
        const std::wstring* className;
        HWND found;
    } search{pid(), &className, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM data) __attribute__((stdcall)) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid && ::IsWindowVisible(window) && ClassOf(window) == *s->className) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Package::WaitForMessageBoxSaying(const std::wstring& text, DWORD milliseconds) const
{
    struct Search {
        DWORD pid;
        const std::wstring* text;
        HWND found;
    } search{pid(), &text, nullptr};
    WaitUntil(
        [&] {
            ::EnumWindows(
                [](HWND window, LPARAM data) __attribute__((stdcall)) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    DWORD owner = 0;
                    ::GetWindowThreadProcessId(window, &owner);
                    if (owner == s->pid && ::IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
                        MessageBoxText(window) == *s->text) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        milliseconds);
    return search.found;
}

HWND Package::WaitForWindow(const std::wstring& className, DWORD milliseconds) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(className)) != nullptr; }, milliseconds);
    return found;
}

HWND Package::WaitForMessageBox(DWORD milliseconds) const
{
    return WaitForWindow(L"#32770", milliseconds);
}

std::wstring TextOf(HWND window)
{
    wchar_t text[4096] = {};
    ::SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

HWND Child(HWND parent, const std::wstring& className, const std::wstring& caption)
{
    struct Search {
        const std::wstring* className;
        std::wstring caption;
        HWND found;
    } search{&className, WithoutAccessKeys(caption), nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) __attribute__((stdcall)) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (::_wcsicmp(ClassOf(window).c_str(), s->className->c_str()) == 0 &&
                (s->caption.empty() || WithoutAccessKeys(TextOf(window)) == s->caption)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND button)
{
    if (!button)
        throw std::runtime_error("no such button");
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

void Type(HWND edit, const std::wstring& text)
{
    if (!edit)
        throw std::runtime_error("no such edit");
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    ::SendMessageW(edit, WM_CLEAR, 0, 0);
    for (wchar_t c : text)
        ::SendMessageW(edit, WM_CHAR, c, 1);
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

namespace {

// Where a key goes: the focused control, or the window.
HWND KeyTarget(HWND window)
{
    HWND focus = FocusOf(window);
    return focus ? focus : window;
}

// The lParam of a key message: repeat count 1, the key's scan code, with Alt held (context), and
// for a key up the previous state and the transition.
LPARAM KeyData(UINT key, bool up, bool alt)
{
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    return 1 | scan | (alt ? 1 << 29 : 0) | (up ? (1u << 30) | (1u << 31) : 0);
}

} // namespace

void PressKey(HWND window, UINT key)
{
    HWND target = KeyTarget(window);
    ::PostMessageW(target, WM_KEYDOWN, key, KeyData(key, false, false));
    if (key == VK_SPACE)
        ::PostMessageW(target, WM_CHAR, L' ', KeyData(key, false, false));
    ::PostMessageW(target, WM_KEYUP, key, KeyData(key, true, false));
}

void PressAccessKey(HWND window, wchar_t letter)
{
    HWND target = KeyTarget(window);
    const UINT key = static_cast<UINT>(::towupper(letter));
    ::PostMessageW(target, WM_SYSKEYDOWN, VK_MENU, KeyData(VK_MENU, false, true));
    ::PostMessageW(target, WM_SYSKEYDOWN, key, KeyData(key, false, true));
    ::PostMessageW(target, WM_SYSCHAR, letter, KeyData(key, false, true));
    ::PostMessageW(target, WM_SYSKEYUP, key, KeyData(key, true, true));
    ::PostMessageW(target, WM_KEYUP, VK_MENU, KeyData(VK_MENU, true, false));
}

void TypeKeys(HWND window, const std::wstring& text)
{
    HWND target = KeyTarget(window);
    for (wchar_t c : text)
        ::PostMessageW(target, WM_CHAR, c, 1);
}

bool TabTo(HWND window, HWND control)
{
    for (int presses = 0; presses < 10; ++presses) {
        if (FocusOf(window) == control)
            return true;
        HWND before = FocusOf(window);
        PressKey(window, VK_TAB);
        WaitUntil([&] { return FocusOf(window) != before; }, 5000);
    }
    return FocusOf(window) == control;
}

std::wstring MessageBoxText(HWND box)
{
    HWND text = ::GetDlgItem(box, 0xFFFF);
    return text ? TextOf(text) : L"";
}

bool OnTheWorkArea(HWND window)
{
    RECT frame, area;
    ::GetWindowRect(window, &frame);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return frame.left >= area.left && frame.top >= area.top && frame.right <= area.right &&
           frame.bottom <= area.bottom;
}

} // namespace e2e
