// The program with a sweep of abandoned working folders whose every drive answers only after three
// seconds, as a sleeping disk does when it is asked first. Each question goes into sweep.log
// beside the program: "asked ROOT" when it begins, "answered ROOT" when it ends.
#include "app/Program.h"
#include "fs/FileOps.h"
#include "win32/Handles.h"

#include <windows.h>

#include <string>

namespace {

void Log(const std::wstring& line)
{
    const std::string text(line.begin(), line.end()); // drive roots: plain ASCII
    const win32::FileHandle log(::CreateFileW((fs::ProgramFolder() + L"sweep.log").c_str(), FILE_APPEND_DATA,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(log.get(), (text + "\n").data(), static_cast<DWORD>(text.size() + 1), &written, nullptr);
}

bool SlowKeepsAccessLists(const std::wstring& root)
{
    Log(L"asked " + root);
    ::Sleep(3000);
    const bool keeps = fs::SystemWorkFolderCalls().keepsAccessLists(root);
    Log(L"answered " + root);
    return keeps;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    fs::WorkFolderCalls calls = fs::SystemWorkFolderCalls();
    calls.keepsAccessLists = SlowKeepsAccessLists;
    return ProgramMain(calls);
}
