// A program like ours in every respect that the image check reads, but for a static import of a
// kernel32 function that an unpatched Windows 7 lacks: the loader would refuse to start it there,
// and the check must refuse it here.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) ? 0 : 1;
}
