#include "job/JobProgress.h"

#include "sevenzip/Callbacks.h"

#include <string>

namespace job {

JobProgress::JobProgress() : running_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

ProgressSnapshot JobProgress::Snapshot() const
{
    ProgressSnapshot now;
    now.totalSize = totalSize;
    now.currentSize = currentSize;
    now.cancel = cancelled_;
    now.phase = phase;
    now.fileCount = fileCount;
    now.placedCount = placedCount;
    return now;
}

void JobProgress::Pause(bool paused)
{
    paused_ = paused;
    if (paused && !cancelled_.load())
        ::ResetEvent(running_.get());
    else
        ::SetEvent(running_.get());
}

void JobProgress::Cancel()
{
    cancelled_ = true;
    ::SetEvent(running_.get());
}

void JobProgress::WaitWhilePaused()
{
    if (!paused_.load())
        return;
    held_ = true;
    while (paused_.load() && !cancelled_.load())
        ::WaitForSingleObject(running_.get(), 100);
    held_ = false;
}

int32_t JobProgress::OnLibraryProgress(int32_t isTotal, int64_t value)
{
    WaitWhilePaused();
    if (cancelled_.load())
        return 1;
    if (isTotal == sevenzip::kProgressOpening)
        return 0;
    (isTotal ? totalSize : currentSize).store(value);
    // The trace is for whoever watches the debugger output (a debugger, DebugView) when a job
    // seems stuck: the values as the library reports them, in a form that tools watching for it
    // match to the character (JobProgressTest holds it). Nothing in the program reads it.
    // Called from inside the library: the trace must not raise, even without memory for its text.
    try {
        const wchar_t* name = isTotal ? L"g_nTotalSize" : L"g_nCurrentSize";
        ::OutputDebugStringW((name + std::wstring(L"-------------***") + std::to_wstring(value)).c_str());
    } catch (...) {
    }
    return 0;
}

} // namespace job
