// Times a whole package run under Wine, as a person starts it, and reports its peak memory.
//
//   package_run ours PACKAGE OUTPUT PASSWORD  this program's package, its folder and password
//                                             questions answered through its windows
//   package_run again PACKAGE OUTPUT PASSWORD the same as ours into an output that holds the
//                                             files already: the first clash is answered Yes to All
//   package_run peer PACKAGE OUTPUT PASSWORD  7-Zip's self-extractor, told the folder and the
//                                             password by its switches and to ask nothing (it
//                                             overwrites without asking)
//
// Prints one line: seconds from start to exit, and the process's peak working set in bytes.
#include "e2e/Driver.h"
#include "ui/WindowClasses.h"

#include "Clock.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace window_class = ui::window_class;

using namespace e2e;

namespace {

constexpr int kYesToAllId = 102; // the overwrite question's "Yes to All"

// Waits for the process to end, sampling its working set meanwhile (an ended process has none to
// ask for); answers the largest seen.
size_t WaitMeasuringMemory(HANDLE process)
{
    size_t peak = 0;
    do {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (::GetProcessMemoryInfo(process, &counters, sizeof counters))
            peak = std::max<size_t>({peak, counters.PeakWorkingSetSize, counters.WorkingSetSize});
    } while (::WaitForSingleObject(process, 20) == WAIT_TIMEOUT);
    return peak;
}

// Answers the two questions; false when a window did not come.
bool AnswerQuestions(const Package& app, const std::wstring& output, const std::wstring& password)
{
    HWND folder = app.WaitForWindow(window_class::kFolder);
    if (!folder)
        return false;
    Type(Child(folder, L"Edit"), output);
    Click(::GetDlgItem(folder, 100)); // OK
    HWND ask = app.WaitForWindow(window_class::kPassword);
    if (!ask)
        return false;
    Type(Child(ask, L"Edit"), password);
    Click(::GetDlgItem(ask, 101)); // OK
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc == 5 ? argv[1] : L"";
    if (mode != L"ours" && mode != L"again" && mode != L"peer") {
        std::fprintf(stderr, "usage: package_run ours|again|peer PACKAGE OUTPUT PASSWORD\n");
        return 2;
    }
    const bool ours = mode != L"peer";
    const std::wstring package = argv[2], output = argv[3], password = argv[4];
    const std::wstring switches = ours ? L"" : L"\"-o" + output + L"\" \"-p" + password + L"\" -y";

    const double start = Now();
    Package app(package, {}, L"", switches);
    if (ours && !AnswerQuestions(app, output, password)) {
        std::fprintf(stderr, "package_run: a question of the package did not come\n");
        return 1;
    }
    if (mode == L"again") {
        HWND clash = app.WaitForWindow(window_class::kOverwrite, 600000);
        if (!clash) {
            std::fprintf(stderr, "package_run: the clash question did not come\n");
            return 1;
        }
        Click(::GetDlgItem(clash, kYesToAllId));
    }
    const size_t peak = WaitMeasuringMemory(app.process());
    const double seconds = Now() - start;
    if (app.ExitCode() != 0) {
        std::fprintf(stderr, "package_run: the package ended with code %lu\n", app.ExitCode());
        return 1;
    }
    std::printf("%.3f %zu\n", seconds, peak);
    return 0;
}
