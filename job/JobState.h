// The state that the unpacking worker and the main window share, and the message that ends a job.
//
// One job per run: everything starts at 0 and nothing is reset. Flags hold 0 (clear) or -1
// (set); readers test for non-zero. Every variable is atomic, so a reader never sees half of a
// 64-bit value; no reader relies on an order between two of them.
#pragma once

#include "sevenzip/Callbacks.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

inline constexpr int32_t kFlagClear = 0;
inline constexpr int32_t kFlagSet = -1;

// Byte total and bytes done of the current phase: the payload copy while staging, then the last
// values that the archive library reported.
extern std::atomic<int64_t> g_nTotalSize;
extern std::atomic<int64_t> g_nCurrentSize;

extern std::atomic<int32_t> g_bCancel;        // the job is to stop when the worker next looks
extern std::atomic<int32_t> g_bExtractPhase;  // from just before extraction to the end of the job
extern std::atomic<int32_t> g_bHoldProgress;  // between phases: only the elapsed time moves
extern std::atomic<int32_t> g_bStagedExtract; // extracting the whole archive into a scratch folder
extern std::atomic<int32_t> g_bPlacing;       // placing staged files into the target folder

extern std::atomic<int32_t> g_nFileCount;     // archive entries that are not folders
extern std::atomic<int32_t> g_nPlacedCount;   // staged files the placement has finished with
extern std::atomic<int32_t> g_nExtractTicks;  // progress-timer ticks during extraction
extern std::atomic<int32_t> g_nPlaceTicks;    // progress-timer ticks during placement

static_assert(std::atomic<int64_t>::is_always_lock_free);
static_assert(std::atomic<int32_t>::is_always_lock_free);

inline void SetFlag(std::atomic<int32_t>& flag, bool on)
{
    flag.store(on ? kFlagSet : kFlagClear);
}

// The answer to a clash with an existing file.
enum class OverwriteAnswer : int32_t {
    Yes = 0,    // replace this one
    No = 1,     // keep the existing file
    YesAll = 2, // replace this one and every later one
    NoAll = 3,  // keep this one and every later one
    Rename = 4, // place under a new free name, now and later
    Cancel = 5, // keep the existing file and stop the job
};

// Posted by the worker to the main window as the last act of its run.
inline constexpr UINT WM_EXTRACT_DONE = WM_USER + 520;
static_assert(WM_EXTRACT_DONE == 0x0608);

// The (wParam, lParam) pairs that WM_EXTRACT_DONE carries.
struct JobEnd {
    WPARAM wParam;
    LPARAM lParam;
    friend bool operator==(const JobEnd&, const JobEnd&) = default;
};
inline constexpr JobEnd kJobFinished{1, 0};      // all done, or cancelled: nothing to report
inline constexpr JobEnd kJobNoTargetFolder{0, 1}; // the target folder cannot be created
inline constexpr JobEnd kJobWrongPassword{0, 2};  // the password check failed
inline constexpr JobEnd kJobFailed{0, 3};         // an error ended the run; its message is kept

// The message of the error that ended the job; written by the worker before it posts kJobFailed.
extern std::wstring g_sJobError;
// What the person should know after a job that finished (entries placed under new names); empty
// when nothing. Written by the worker before it posts kJobFinished.
extern std::wstring g_sJobNotice;

// Pause and cancel. A paused worker waits at its next safe point until the job continues or is
// cancelled; nothing ever waits for a held worker.
void PauseJob(bool paused);
bool JobPaused();
// Sets g_bCancel for good and releases a held worker.
void CancelJob();
// For the worker's safe points: returns once the job is not paused (or is cancelled).
void WaitWhilePaused();

// The worker's progress callback: stores totals and completed counts in the byte counters and
// answers 1 (stop) once the job is cancelled. A paused job waits here.
int32_t OnJobProgress(void* context, int32_t isTotal, int64_t value);
