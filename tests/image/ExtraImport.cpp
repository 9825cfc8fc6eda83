// A program like ours in every respect that the image check reads, but for one more static import
// (shlwapi): the check must refuse it.
#include <windows.h>
#include <shlwapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    return ::PathFileExistsW(commandLine) ? 0 : 1;
}
