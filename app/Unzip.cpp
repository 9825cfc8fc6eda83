// Program entry: the three long-lived windows, then the message loop until the main window closes.
#include "ui/MainFrm.h"
#include "ui/PasswordFrm.h"
#include "ui/SetOutputFrm.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Only the system folder may supply DLLs: a package often runs from a downloads folder.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    ::OleInitialize(nullptr); // the shell's folder picker needs it

    TfrmMain frmMain;
    TfrmSetOutput frmSetOutput(frmMain.hwnd());
    TfrmPassword frmPassword(frmMain.hwnd());
    frmMain.SetDialogs(&frmSetOutput, &frmPassword);

    ::ShowWindow(frmMain.hwnd(), SW_SHOWNORMAL);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(frmMain.hwnd(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    ::OleUninitialize();
    return 0;
}
