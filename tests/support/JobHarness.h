// Runs the unpacking job headless: a plain host answers the job's questions from a script, records
// them, and waits for the job's end.
#pragma once

#include "fs/WorkFolder.h"
#include "job/PackageFormat.h"
#include "job/UnpackJob.h"
#include "support/Library.h"
#include "support/TestFiles.h"
#include "win32/Handles.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <vector>

namespace testing_support {

class HeadlessHost : public job::JobHost {
public:
    void ShowTotalSize(int64_t totalSize) override
    {
        shownTotals.push_back(totalSize);
        if (cancelAtTotalSize && progress)
            progress->Cancel();
    }
    job::OverwriteAnswer AskOverwrite(const std::wstring& existing, const std::wstring& staged) override
    {
        asked.push_back(existing);
        stagedSeen.push_back(Exists(staged));
        if (onQuestion)
            onQuestion(staged);
        job::OverwriteAnswer answer = answers.empty() ? job::OverwriteAnswer::Yes : answers.front();
        if (!answers.empty() && answers.size() > 1)
            answers.pop_front();
        return answer;
    }
    void JobEnded(job::JobOutcome outcome) override
    {
        end_ = outcome;
        ::SetEvent(ended_.get());
    }

    // Runs the worker to its end and answers how it ended. Windows of the calling thread (a
    // test's) go on answering meanwhile.
    job::JobOutcome Run(job::UnpackJob& worker)
    {
        ::ResetEvent(ended_.get());
        worker.Start();
        const HANDLE ended = ended_.get();
        while (::MsgWaitForMultipleObjects(1, &ended, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
        return end_;
    }

    std::vector<int64_t> shownTotals;
    std::vector<std::wstring> asked;
    std::vector<bool> stagedSeen; // whether each question's staged file was there
    std::deque<job::OverwriteAnswer> answers; // the last one stands for every later question
    std::function<void(const std::wstring& staged)> onQuestion; // to look at the staged file
    bool cancelAtTotalSize = false;
    job::JobProgress* progress = nullptr; // the running job's, for cancelAtTotalSize

private:
    win32::KernelHandle ended_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    job::JobOutcome end_{};
};

// What a job of a test or the benchmark is given: the package at programPath unpacked below
// outputPath with the fixtures' password, the run's files in workFolder.
inline job::JobInput InputFor(const std::wstring& programPath, const std::wstring& outputPath,
                              const fs::WorkFolder& workFolder)
{
    job::JobInput input;
    input.outputPath = outputPath;
    input.password = L"secret";
    input.libraryPath = workFolder.path() + fs::kLibraryName;
    input.workDir = workFolder.path();
    input.programPath = programPath;
    return input;
}

// A package from the test fixture, the place it unpacks to, and a temporary folder of the
// test's own (so that leftover scratch folders can be seen).
class JobBench {
public:
    explicit JobBench(const std::string& package)
    {
        const std::wstring temp = scratch.path() + L"temp\\";
        ::CreateDirectoryW(temp.c_str(), nullptr);
        for (const wchar_t* name : {L"TMP", L"TEMP"}) {
            wchar_t old[MAX_PATH + 1] = {};
            savedTemp_.emplace_back(name, ::GetEnvironmentVariableW(name, old, MAX_PATH + 1) ? old : L"");
            ::SetEnvironmentVariableW(name, temp.c_str());
        }
        workFolder = fs::WorkFolder(10 * 1024 * 1024);
        input = InputFor(BuildFile("test-packages/" + package), scratch.path() + L"out", workFolder);
        target = input.outputPath + L"\\" + std::wstring(package.begin(), package.end() - 4) + L"\\";
        ::CreateDirectoryW(input.outputPath.c_str(), nullptr);
    }

    // The temporary folder goes back to what it was: this one goes with the scratch folder.
    ~JobBench()
    {
        for (const auto& [name, value] : savedTemp_)
            ::SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }

    // Runs a job to its end; what it said is kept in said. Each run has a fresh progress, as each
    // run of the program has; the last run's stays to be looked at.
    job::JobOutcome Run()
    {
        if (ran_)
            progress = std::make_unique<job::JobProgress>();
        ran_ = true;
        host.progress = progress.get();
        job::UnpackJob worker(host, *progress, input);
        const job::JobOutcome end = host.Run(worker);
        said = worker.Result().message;
        return end;
    }

    // What the temporary folder holds besides the working folder: scratch folders left behind.
    std::vector<std::wstring> LeftInTemp() const
    {
        std::vector<std::wstring> left;
        WIN32_FIND_DATAW entry;
        HANDLE find = ::FindFirstFileW((scratch.path() + L"temp\\*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            return left;
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L".." && workFolder.path().find(name) == std::wstring::npos)
                left.push_back(name);
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
        return left;
    }

    ScratchFolder scratch;
    HeadlessHost host;
    fs::WorkFolder workFolder;
    job::JobInput input;
    std::wstring target;
    std::unique_ptr<job::JobProgress> progress = std::make_unique<job::JobProgress>();
    std::wstring said; // the last run's message: its error, or its notice

private:
    bool ran_ = false;
    std::vector<std::pair<std::wstring, std::wstring>> savedTemp_;
};

// The file paths of a package's archive in archive order (as the worker places them).
inline std::vector<std::wstring> ArchiveOrder(const std::wstring& package)
{
    ScratchFolder scratch;
    // What the worker stages: the package from where the program's search starts.
    const std::string content = ReadAll(package);
    WriteFile(scratch / L"payload.bin", content.substr(job::PAYLOAD_OFFSET));
    std::vector<std::wstring> paths;
    auto reader = std::make_unique<sevenzip::ArchiveReader>(CopyLibrary(scratch));
    reader->OpenArchiveFile(scratch / L"payload.bin", job::SEARCH_WINDOW);
    for (uint32_t i = 0; i < reader->ItemCount(); ++i)
        if (!reader->ItemIsFolder(i) && reader->ItemPath(i) != job::kMarkerName)
            paths.push_back(reader->ItemPath(i));
    return paths;
}

// Runs an action once on the worker's thread at the first step that matches: the moment a phase
// is under way. The worker is inside that phase while the action runs.
class OnStep {
public:
    OnStep(job::JobInput& input, std::function<bool(job::JobStep step, const std::wstring& path)> when,
           std::function<void()> action)
    {
        input.onStep = [this, when = std::move(when), action = std::move(action)](job::JobStep step,
                                                                                 const std::wstring& path) {
            if (!fired_ && when(step, path)) {
                fired_ = true;
                action();
            }
        };
    }
    bool Fired() const { return fired_; }

private:
    std::atomic<bool> fired_{false};
};

} // namespace testing_support

// How a job's end reads in a test failure.
inline std::ostream& operator<<(std::ostream& out, job::JobOutcome outcome)
{
    const char* names[] = {"Finished", "NoTargetFolder", "WrongPassword", "Failed"};
    return out << names[static_cast<int>(outcome)];
}
