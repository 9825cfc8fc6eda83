// How far a job has got: the worker writes it, the progress window reads a snapshot of it, and the
// person pauses or cancels the job through it. A run owns one for its one job.
#pragma once

#include <windows.h>

#include "win32/Handles.h"

#include <atomic>
#include <cstdint>

namespace job {

// Where the job is, in the order it gets there; the window's tick weighs each its own way.
enum class JobPhase : int32_t {
    Staging,          // copying the archive out of the package
    Checking,         // the inventory, the password check, making the target: only the time moves
    Extracting,       // extracting straight into the target
    ExtractingStaged, // extracting the whole archive into a scratch folder
    Placing,          // placing staged files into the target
    Settling,         // between and after those: the files' last steps, only the time moves
};

// Whether files may have been written into the target: from just before extraction to the end.
inline bool ExtractionBegun(JobPhase phase)
{
    return phase >= JobPhase::Extracting;
}

// One reading of the job's progress, for the window's tick.
struct ProgressSnapshot {
    int64_t totalSize = 0;     // bytes of the current phase
    int64_t currentSize = 0;   // bytes done of it
    bool cancel = false;       // the job is cancelled
    JobPhase phase = JobPhase::Staging;
    int32_t fileCount = 0;     // archive entries that are not folders
    int32_t placedCount = 0;   // staged files the placement has finished with
};

class JobProgress {
public:
    JobProgress();
    JobProgress(const JobProgress&) = delete;
    JobProgress& operator=(const JobProgress&) = delete;

    // Every value at once; each is read whole, no order between two of them is promised.
    ProgressSnapshot Snapshot() const;

    // The person's side. A paused worker waits at its next safe point until the job continues or
    // is cancelled; nothing ever waits for a held worker. A cancel is for good and releases it.
    void Pause(bool paused);
    bool Paused() const { return paused_.load(); }
    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }

    // The worker's side: returns once the job is not paused (or is cancelled).
    void WaitWhilePaused();
    // Whether the worker is held in WaitWhilePaused now: the sign a watcher waits for that the
    // pause has taken hold.
    bool WorkerHeld() const { return held_.load(); }
    // The archive library's progress report: stores a total or the bytes done, and answers 1
    // (stop) once the job is cancelled. A paused job waits here.
    int32_t OnLibraryProgress(int32_t isTotal, int64_t value);

    // Byte total and bytes done of the current phase: the payload copy while staging, then the
    // last values that the archive library reported.
    std::atomic<int64_t> totalSize{0};
    std::atomic<int64_t> currentSize{0};
    std::atomic<JobPhase> phase{JobPhase::Staging};
    std::atomic<int32_t> fileCount{0};
    std::atomic<int32_t> placedCount{0};

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> held_{false};
    win32::KernelHandle running_; // signalled while the job may run
};

static_assert(std::atomic<int64_t>::is_always_lock_free && std::atomic<JobPhase>::is_always_lock_free);

} // namespace job
