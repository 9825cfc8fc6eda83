// The unpacking job: a worker thread that stages the appended archive, checks the password,
// extracts into the target folder (directly, or through a scratch folder when files clash) and
// reports its end to its host.
#pragma once

#include "fs/FileOps.h"
#include "fs/WorkFolder.h"
#include "job/FilePlacement.h"
#include "job/Inventory.h"
#include "job/JobHost.h"
#include "job/JobOutcome.h"
#include "job/JobProgress.h"
#include "job/StagedPlacement.h"
#include "sevenzip/ArchiveReader.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace job {

// The points of a run that a test or the benchmark may watch: each progress report of the
// library (staging aside), and each staged file about to be placed.
enum class JobStep { Progress, Placing };

// Everything the job needs, set before the worker starts and not changed while it runs.
struct JobInput {
    std::wstring outputPath;  // as typed
    std::wstring password;    // as typed
    std::wstring libraryPath; // where the archive library is written
    std::wstring workDir;      // the working folder, with its "\": the archive is staged there
    std::wstring programPath;  // the package: this program with its archive
    // The system calls that tests replace to make what Wine does not. Bytes the user may still
    // write on the drive of an existing folder (negative when unknown): a test lets the writing
    // itself meet a full disk. The choice of the scratch folders, and the placement's move.
    int64_t (*freeBytes)(const std::wstring& folder) = fs::FreeBytesForUser;
    fs::WorkFolderCalls workFolderCalls = fs::SystemWorkFolderCalls();
    PlacementCalls placementCalls = SystemPlacementCalls();
    // Called on the worker's thread at each step, with the target path when placing; what it
    // raises is ignored. Empty in the program.
    std::function<void(JobStep step, const std::wstring& path)> onStep;
};

class UnpackJob {
public:
    // progress is the run's: it outlives the job.
    UnpackJob(JobHost& host, JobProgress& progress, JobInput input);
    // Waits for the run to end.
    ~UnpackJob();
    UnpackJob(const UnpackJob&) = delete;
    UnpackJob& operator=(const UnpackJob&) = delete;

    // Starts the run on a thread of its own.
    void Start();
    // Whether the run has ended (its report is posted or about to be).
    bool Finished() const { return finished_.load(); }
    // How the run ended: complete once the host has heard of the end.
    const JobResult& Result() const { return result_; }
    // Waits for the run to end, however long it takes, answering its calls to this (the window's)
    // thread meanwhile. Cancel the job first: every step of the run answers a cancel promptly.
    void WaitWhileServingCalls();

private:
    // The steps of the run, in their order; an answer of nullopt means go on with the next.
    void RunJob();
    JobOutcome Run();
    std::optional<JobOutcome> StageAndOpen();
    std::optional<JobOutcome> CheckPassword();
    std::optional<JobOutcome> PrepareTarget();
    JobOutcome ExtractIntoTarget();
    JobOutcome ExtractStaged();
    // The files' and folders' last steps.
    void FinishPlacedFile(uint32_t index, const std::wstring& path);
    void MakeFolderEntries();
    // The marker entries: checked as they come out, never kept.
    std::set<uint32_t> MarkerEntries() const;
    void CheckFreeSpace(const std::wstring& scratch);
    // After a failure that left whole files: how many, and which entries did not come out.
    std::wstring WhatCameOut();
    static int32_t OnLibraryProgress(void* context, int32_t isTotal, int64_t value);
    void Step(JobStep step, const std::wstring& path = {});

    static DWORD WINAPI ThreadProc(void* self);

    JobHost& host_;
    JobProgress& progress_;
    JobInput input_; // its password is wiped once the archive is closed
    win32::KernelHandle thread_;
    std::atomic<bool> finished_{false};

    // The run's own state.
    std::wstring target_;
    std::string zoneMark_; // the Zone.Identifier every file gets (ZoneMark.h); empty: none
    std::unique_ptr<sevenzip::ArchiveReader> reader_;
    Inventory inventory_;
    std::wstring existedBefore_;  // the nearest folder on the way to the target that was there
    bool extractingIntoTarget_ = false;
    bool createdTarget_ = false;
    bool errorBeforeCancel_ = false; // an error to report whatever the person answers afterwards
    bool extracting_ = false;        // files may have come out
    // Entries extracted straight into the target whose names another program took after the
    // inventory: staged instead, and placed with a question like any clash.
    std::set<uint32_t> takenLate_;
    fs::WorkFolder scratch_; // where the files are staged when some clash; none otherwise
    std::optional<StagedPlacement> placement_; // once extraction begins
    JobResult result_;
};

} // namespace job
