// How a job ended, and the message that tells the main window so.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace job {

enum class JobOutcome {
    Finished,       // all done, or cancelled: nothing to report but the notice, if any
    NoTargetFolder, // the target folder cannot be created
    WrongPassword,  // the password check failed
    Failed,         // an error ended the run
};

// The outcome with what the person is told of it: the error's text after Failed; after Finished,
// what they should know (entries placed under new names), empty when nothing.
struct JobResult {
    JobOutcome outcome = JobOutcome::Finished;
    std::wstring message;
};

// Posted by the worker to the main window as the last act of its run, with the outcome as the
// pair (wParam, lParam): (1, 0) finished, (0, 1) no target folder, (0, 2) wrong password,
// (0, 3) failed.
inline constexpr UINT WM_EXTRACT_DONE = WM_USER + 520;
static_assert(WM_EXTRACT_DONE == 0x0608);

inline std::pair<WPARAM, LPARAM> PostedPair(JobOutcome outcome)
{
    if (outcome == JobOutcome::Finished)
        return {1, 0};
    return {0, static_cast<LPARAM>(outcome)};
}

// The outcome a posted pair stands for; an unknown pair is a failure.
inline JobOutcome OutcomeOf(WPARAM wParam, LPARAM lParam)
{
    if (wParam == 1 && lParam == 0)
        return JobOutcome::Finished;
    if (wParam == 0 && lParam >= 1 && lParam <= 3)
        return static_cast<JobOutcome>(lParam);
    return JobOutcome::Failed;
}

} // namespace job
