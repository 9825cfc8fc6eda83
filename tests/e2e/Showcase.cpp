// Runs a package through all its windows, answering as a person would, and captures each window
// to a bitmap: the folder dialog, the password dialog, the progress window (held by Pause for a
// moment) and the overwrite question (a file of the package is made to exist first).
//
//   showcase PACKAGE OUTPUT PASSWORD SHOTS
//
// Prints where the files went. Used by scripts/demo and scripts/screenshots. Buttons are found by
// their control ids, so that any language will do.
#include "Driver.h"
#include "ui/WindowClasses.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace window_class = ui::window_class;

using namespace e2e;

namespace {

// Saves what the screen shows of window as a 24-bit bitmap file.
void Capture(HWND window, const std::wstring& path)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    ::Sleep(400);
    RECT r;
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    const DWORD stride = ((width * 3 + 3) & ~3), size = stride * height;
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(out, &file, sizeof file, &written, nullptr);
    ::WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    ::WriteFile(out, bits, size, &written, nullptr);
    ::CloseHandle(out);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontExists(const wchar_t* face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &wanted, &NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

// The visible top-level window whose title ends in title, of any process; waits up to 20 s.
HWND WindowTitled(const std::wstring& title)
{
    struct Search {
        const std::wstring* title;
        HWND found;
    } search{&title, nullptr};
    for (int i = 0; i < 100 && !search.found; ++i) {
        ::EnumWindows(
            [](HWND window, LPARAM data) __attribute__((stdcall)) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                const std::wstring text = TextOf(window);
                if (::IsWindowVisible(window) && text.size() >= s->title->size() &&
                    text.compare(text.size() - s->title->size(), s->title->size(), *s->title) == 0) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            ::Sleep(200);
    }
    return search.found;
}

// What the person gets at the end: the unpacked folder, opened in the shell's folder window as a
// person opens it, captured, and closed again.
void CaptureFolder(const std::wstring& folder, const std::wstring& path)
{
    std::wstring command = L"explorer.exe \"" + folder + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    const std::wstring name = folder.substr(folder.find_last_of(L'\\', folder.size() - 2) + 1);
    HWND window = WindowTitled(name.back() == L'\\' ? name.substr(0, name.size() - 1) : name);
    if (!window) {
        std::fprintf(stderr, "showcase: no folder window for %ls\n", folder.c_str());
        return;
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    ::SetWindowPos(window, HWND_TOP, 40, 40, ::MulDiv(640, dpi, 96), ::MulDiv(360, dpi, 96), SWP_SHOWWINDOW);
    ::Sleep(1500); // the list fills in
    Capture(window, path);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}

std::wstring Name(const std::wstring& path)
{
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: showcase PACKAGE OUTPUT PASSWORD SHOTS\n");
        return 2;
    }
    // Wine draws the buttons of the title bars in Marlett: without it they come out as letters.
    if (!FontExists(L"Marlett")) {
        std::fprintf(stderr, "showcase: Wine finds no Marlett font: the title bars would not render\n");
        return 3;
    }
    const std::wstring package = argv[1], output = argv[2], password = argv[3], shots = argv[4];
    const std::wstring target = output + L"\\" + Name(package) + L"\\";
    ::CreateDirectoryW(output.c_str(), nullptr);
    ::CreateDirectoryW(shots.c_str(), nullptr);
    ::CreateDirectoryW(target.c_str(), nullptr);
    // One file that is there already, so that the overwrite question comes up.
    HANDLE existing = ::CreateFileW((target + L"README.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::WriteFile(existing, "an older copy\r\n", 15, nullptr, nullptr);
    ::CloseHandle(existing);

    Package app(package);
    HWND folder = app.WaitForWindow(window_class::kFolder);
    if (!folder)
        return 1;
    Type(Child(folder, L"Edit"), output);
    Capture(folder, shots + L"\\folder.bmp");
    Click(::GetDlgItem(folder, 100)); // OK, whatever the language calls it

    HWND ask = app.WaitForWindow(window_class::kPassword);
    if (!ask)
        return 1;
    Type(Child(ask, L"Edit"), password);
    Capture(ask, shots + L"\\password.bmp");
    Click(::GetDlgItem(ask, 101)); // OK

    // The job waits for the answer to the question; meanwhile the progress window shows where it
    // stands. It is captured with the question moved out of the way for a moment.
    HWND main = app.WaitForWindow(window_class::kProgress);
    HWND question = app.WaitForWindow(window_class::kOverwrite, 60000);
    if (question) {
        ::Sleep(2200); // two ticks of the progress clock
        RECT place;
        ::GetWindowRect(question, &place);
        ::SetWindowPos(question, nullptr, -4000, -4000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (main)
            Capture(main, shots + L"\\progress.bmp");
        ::SetWindowPos(question, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Capture(question, shots + L"\\overwrite.bmp");
        Click(::GetDlgItem(question, 100)); // Yes
    }
    if (!app.WaitForExit(120000))
        return 1;
    std::printf("The files went to %ls\n", target.c_str());
    if (std::getenv("SHOWCASE_FOLDER"))
        CaptureFolder(target, shots + L"\\unpacked.bmp");
    // Tells whoever waits (a virtual desktop does not end by itself) that all is captured.
    ::CloseHandle(::CreateFileW((shots + L"\\done").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}
