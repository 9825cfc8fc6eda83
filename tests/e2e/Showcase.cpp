// Runs a package through all its windows, answering as a person would, and captures each window
// to a bitmap: the folder dialog, the password dialog, the progress window (held by Pause for a
// moment) and the overwrite question (a file of the package is made to exist first).
//
//   showcase PACKAGE OUTPUT PASSWORD SHOTS
//
// Prints where the files went. Used by scripts/demo and scripts/screenshots. Buttons are found by
// their control ids, so that any language will do.
#include "Driver.h"

#include <cstdio>
#include <string>

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
    HWND folder = app.WaitForWindow(L"TfrmSetOutput");
    if (!folder)
        return 1;
    Type(Child(folder, L"Edit"), output);
    Capture(folder, shots + L"\\folder.bmp");
    Click(::GetDlgItem(folder, 100)); // OK, whatever the language calls it

    HWND ask = app.WaitForWindow(L"TfrmPassword");
    if (!ask)
        return 1;
    Type(Child(ask, L"Edit"), password);
    Capture(ask, shots + L"\\password.bmp");
    Click(::GetDlgItem(ask, 101)); // OK

    // The job waits for the answer to the question; meanwhile the progress window shows where it
    // stands. It is captured with the question moved out of the way for a moment.
    HWND main = app.WaitForWindow(L"TfrmMain");
    HWND question = app.WaitForWindow(L"TfrmOverWrite", 60000);
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
    // Tells whoever waits (a virtual desktop does not end by itself) that all is captured.
    ::CloseHandle(::CreateFileW((shots + L"\\done").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}
