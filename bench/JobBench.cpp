// Times one unpacking run under Wine and reports its peak memory.
//
//   job_bench job PACKAGE OUTPUT      the whole job, headless, as the program runs it
//   job_bench again PACKAGE OUTPUT    the same into an output that holds the files already,
//                                     the first clash answered Yes to All
//   job_bench library PACKAGE OUTPUT  the library alone: open the package and ExtractAllTo
//
// Prints one line: seconds, peak working set in bytes, and (job) the seconds of the password check.
#include "fs/FileOps.h"
#include "fs/MadeFolders.h"
#include "fs/ResourceFile.h"
#include "fs/WorkFolder.h"
#include "job/PackageFormat.h"
#include "sevenzip/ArchiveReader.h"
#include "win32/Error.h"
#include "support/JobHarness.h"

#include "Clock.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

using namespace job;

namespace {

size_t PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

int RunJob(const std::wstring& package, const std::wstring& output, bool again)
{
    testing_support::HeadlessHost host;
    host.answers = {OverwriteAnswer::YesAll};
    fs::WorkFolder workFolder(10 * 1024 * 1024);
    JobProgress progress;
    JobInput input = testing_support::InputFor(package, output, workFolder);
    // The password check's share of the job: from the first progress report of the check (the
    // library starts decoding the marker) to the first report of the extraction.
    double checkStarted = 0, extractStarted = 0;
    input.onStep = [&](JobStep step, const std::wstring&) {
        if (step != JobStep::Progress)
            return;
        double& mark = ExtractionBegun(progress.phase.load()) ? extractStarted : checkStarted;
        if (mark == 0)
            mark = Now();
    };
    const double start = Now();
    JobOutcome end;
    std::wstring said;
    {
        UnpackJob worker(host, progress, input);
        end = host.Run(worker);
        said = worker.Result().message;
    }
    const double seconds = Now() - start;
    workFolder.Remove();
    if (end != JobOutcome::Finished) {
        std::fprintf(stderr, "job ended with outcome %d: %ls\n", static_cast<int>(end), said.c_str());
        return 1;
    }
    if (host.asked.size() != (again ? 1u : 0u)) {
        std::fprintf(stderr, "job asked %zu questions\n", host.asked.size());
        return 1;
    }
    const double check = extractStarted > 0 ? extractStarted - checkStarted : 0;
    std::printf("%.3f %zu %.4f\n", seconds, PeakMemory(), check);
    return 0;
}

int RunLibrary(const std::wstring& package, const std::wstring& output)
{
    const std::wstring work = fs::SelectWorkFolder(10 * 1024 * 1024);
    const std::wstring library = work + L"7z.dll";
    try {
        fs::SaveResourceToFile(L"7z_dll", L"FILE", library);
        const double start = Now();
        {
            auto reader = std::make_unique<sevenzip::ArchiveReader>(library);
            reader->OpenArchiveFile(package, SEARCH_WINDOW);
            reader->SetPassword(L"secret");
            reader->ExtractAllTo(output);
        }
        const double seconds = Now() - start;
        std::printf("%.3f %zu 0\n", seconds, PeakMemory());
    } catch (const win32::Error& e) {
        std::fprintf(stderr, "%ls\n", e.message().c_str());
        fs::DeleteFolderTree(work);
        return 1;
    }
    fs::DeleteFolderTree(work);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: job_bench job|again|library PACKAGE OUTPUT\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    if (mode == L"library")
        return RunLibrary(argv[2], argv[3]);
    return RunJob(argv[2], argv[3], mode == L"again");
}
