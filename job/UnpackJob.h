// The unpacking job: a worker thread that stages the appended archive, checks the password,
// extracts into the target folder (directly, or through a scratch folder when files clash) and
// reports its end to its host.
#pragma once

#include "job/JobOutcome.h"
#include "job/JobProgress.h"
#include "job/OverwriteAnswer.h"
#include "job/Placement.h"
#include "fs/WorkFolder.h"
#include "fs/FileOps.h"
#include "sevenzip/ArchiveReader.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// What the job needs of whoever runs it: the total to show, a clash to answer, and its end. Each
// call comes on the job's own thread; the host takes it to its window as it must.
class JobHost {
public:
    virtual ~JobHost() = default;
    // Shows the size of what the job stages.
    virtual void ShowTotalSize(int64_t totalSize) = 0;
    // The person's answer to a clash with an existing file; returns once there is one (a
    // question that cannot be shown yet waits until it can).
    virtual OverwriteAnswer AskOverwrite(const std::wstring& existing, const std::wstring& staged) = 0;
    // The job has ended so (its Result() is complete): the last call of the job.
    virtual void JobEnded(JobOutcome outcome) = 0;
};

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
    // The steps of the run; an answer of nullopt means go on with the next.
    void RunJob();
    JobOutcome Run();
    std::optional<JobOutcome> StageAndOpen();
    std::optional<JobOutcome> CheckPassword();
    JobOutcome Extract();
    void FinishPlacedFile(uint32_t index, const std::wstring& path);
    void MakeFolderEntries();
    // Places the staged files (only those entries, when given), asking about each clash.
    JobOutcome PlaceStagedFiles(const std::wstring& scratch, const std::set<uint32_t>* only = nullptr);
    // The marker entries: checked as they come out, never kept.
    std::set<uint32_t> MarkerEntries() const;
    void CheckFreeSpace(const std::wstring& scratch);
    // What the end says besides the error: what came out, what was renamed.
    std::wstring WhatCameOut();
    std::wstring RenamedEntries() const;
    // Where each entry goes in a scratch folder: "7\\1800.txt", its number in a numbered folder.
    std::wstring StagedName(uint32_t index) const;
    std::vector<std::wstring> StagedPlaces() const;
    static int32_t OnLibraryProgress(void* context, int32_t isTotal, int64_t value);
    void Step(JobStep step, const std::wstring& path = {});

    static DWORD WINAPI ThreadProc(void* self);

    JobHost& host_;
    JobProgress& progress_;
    JobInput input_; // its password is wiped once the archive is closed
    win32::KernelHandle thread_;
    std::atomic<bool> finished_{false};

    // The standing answer to clashes.
    OverwriteAnswer overwriteAnswer_ = OverwriteAnswer::Yes;

    // The run's own state.
    std::wstring target_;
    std::string zoneMark_; // the Zone.Identifier every file gets (ZoneMark.h); empty: none
    std::unique_ptr<sevenzip::ArchiveReader> reader_;
    uint32_t entryCount_ = 0;
    int64_t totalSize_ = 0;
    std::wstring existedBefore_;  // the nearest folder on the way to the target that was there
    bool anyExists_ = false;
    bool extractingIntoTarget_ = false;
    bool createdTarget_ = false;
    bool errorBeforeCancel_ = false; // an error to report whatever the person answers afterwards
    bool extracting_ = false;        // files may have come out
    std::vector<std::wstring> places_; // by entry: where it lands below the target
    std::vector<std::pair<std::wstring, std::wstring>> renamed_; // entry path, its new place
    std::set<uint32_t> settled_;     // staged entries placed, or kept out by an answer
    // Entries extracted straight into the target whose names another program took after the
    // inventory: staged instead, and placed with a question like any clash.
    std::set<uint32_t> takenLate_;
    fs::WorkFolder scratch_; // where the files are staged when some clash; none otherwise
    JobResult result_;
};
