#include "app/Program.h"

#include "app/RunSequence.h"
#include "fs/MadeFolders.h"
#include "ui/FolderDialog.h"
#include "ui/PasswordDialog.h"
#include "ui/ProgressWindow.h"
#include "win32/Error.h"
#include "win32/Handles.h"
#include "win32/SystemLibrary.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {

constexpr DWORD kLastRemovalsMs = 2000;
// How long the end of the program waits for a sweep that is still under way: the windows are
// gone by then, so only a sweep held up by a slow drive is cut short.
constexpr DWORD kSweepEndMs = 2000;

int Run(const fs::WorkFolderCalls& sweepCalls)
{
    // What runs ended without warning left goes while the person answers the first questions.
    const fs::BackgroundSweep sweep(sweepCalls, kSweepEndMs);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    SYSTEM_FUNCTION(L"comctl32.dll", InitCommonControlsEx)(&controls);
    const win32::OleScope ole; // the shell's folder picker needs it

    ui::ProgressWindow progressWindow;
    ui::FolderDialog folderDialog(progressWindow.hwnd());
    ui::PasswordDialog passwordDialog(progressWindow.hwnd());
    RunSequence sequence(progressWindow, folderDialog, passwordDialog);

    ::ShowWindow(progressWindow.hwnd(), SW_SHOWNORMAL);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(progressWindow.hwnd(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return 0;
}

} // namespace

int ProgramMain(const fs::WorkFolderCalls& sweepCalls)
{
    win32::RestrictDllSearch();
    // A folder of ours that something still held when it was removed gets a last chance.
    const win32::ScopeExit lastRemovals{[] { fs::FinishFolderRemovals(kLastRemovalsMs); }};
    const auto tell = [](const std::wstring& text) {
        ::MessageBoxW(nullptr, text.c_str(), ui::DefaultApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
    };
    try {
        return Run(sweepCalls);
    } catch (const win32::Error& e) {
        tell(e.message()); // before any window: a system DLL that cannot be loaded, say
    } catch (...) {
        tell(L"The program cannot start.");
    }
    return 1;
}
