#include "job/JobState.h"

#include "win32/Handles.h"

#include <string>

std::atomic<int64_t> g_nTotalSize{0};
std::atomic<int64_t> g_nCurrentSize{0};

std::atomic<int32_t> g_bCancel{kFlagClear};
std::atomic<int32_t> g_bExtractPhase{kFlagClear};
std::atomic<int32_t> g_bHoldProgress{kFlagClear};
std::atomic<int32_t> g_bStagedExtract{kFlagClear};
std::atomic<int32_t> g_bPlacing{kFlagClear};

std::atomic<int32_t> g_nFileCount{0};
std::atomic<int32_t> g_nPlacedCount{0};
std::atomic<int32_t> g_nExtractTicks{0};
std::atomic<int32_t> g_nPlaceTicks{0};

std::wstring g_sJobError;
std::wstring g_sJobNotice;

namespace {

std::atomic<bool> paused{false};

// Signalled while the job may run: reset by a pause, set again by continue or cancel.
HANDLE RunningEvent()
{
    static win32::KernelHandle event(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    return event.get();
}

} // namespace

void PauseJob(bool pause)
{
    paused = pause;
    if (pause && !g_bCancel.load())
        ::ResetEvent(RunningEvent());
    else
        ::SetEvent(RunningEvent());
}

bool JobPaused()
{
    return paused.load();
}

void CancelJob()
{
    SetFlag(g_bCancel, true);
    ::SetEvent(RunningEvent());
}

void WaitWhilePaused()
{
    while (paused.load() && !g_bCancel.load())
        ::WaitForSingleObject(RunningEvent(), 100);
}

int32_t OnJobProgress(void* /*context*/, int32_t isTotal, int64_t value)
{
    WaitWhilePaused();
    if (g_bCancel.load())
        return 1;
    if (isTotal == kProgressOpening)
        return 0;
    (isTotal ? g_nTotalSize : g_nCurrentSize).store(value);
    // Called from inside the library: the trace must not raise, even without memory for its text.
    try {
        const wchar_t* name = isTotal ? L"g_nTotalSize" : L"g_nCurrentSize";
        ::OutputDebugStringW((name + std::wstring(L"-------------***") + std::to_wstring(value)).c_str());
    } catch (...) {
    }
    return 0;
}
