// Program entry.
#include "app/Program.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return ProgramMain(fs::SystemWorkFolderCalls());
}
