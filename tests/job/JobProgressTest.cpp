#include "job/JobOutcome.h"
#include "job/JobProgress.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using namespace job;

namespace {

using testing_support::WaitUntil;

// Collects what the process writes to the debugger output. OutputDebugString raises a
// first-chance exception carrying the text; a vectored handler sees it before anyone else.
class DebugOutput {
public:
    DebugOutput() { handler_ = ::AddVectoredExceptionHandler(1, &DebugOutput::Handler); }
    ~DebugOutput() { ::RemoveVectoredExceptionHandler(handler_); }
    static inline std::vector<std::wstring> lines;

private:
    static constexpr DWORD kPrintWide = 0x4001000A; // DBG_PRINTEXCEPTION_WIDE_C

    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD& record = *info->ExceptionRecord;
        if (record.ExceptionCode == kPrintWide && record.NumberParameters >= 2) {
            lines.emplace_back(reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]));
            wideSeen_ = true;
        } else if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2 &&
                   !wideSeen_) {
            // Systems that pass on only the narrow text: ours is plain ASCII.
            const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
            lines.emplace_back(text, text + std::strlen(text));
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline bool wideSeen_ = false;
    PVOID handler_ = nullptr;
};

// The pairs are what WM_EXTRACT_DONE carries to the window: each outcome travels and comes back,
// and a pair nobody posts is a failure, never a success.
TEST(JobOutcome, TravelsAsItsPostedPair)
{
    const struct {
        JobOutcome outcome;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {{JobOutcome::Finished, 1, 0},
                 {JobOutcome::NoTargetFolder, 0, 1},
                 {JobOutcome::WrongPassword, 0, 2},
                 {JobOutcome::Failed, 0, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(PostedPair(c.outcome), std::make_pair(c.wParam, c.lParam));
        EXPECT_EQ(OutcomeOf(c.wParam, c.lParam), c.outcome);
    }
    for (auto [wParam, lParam] : {std::pair<WPARAM, LPARAM>{1, 3}, {0, 0}, {0, 4}, {2, 0}})
        EXPECT_EQ(OutcomeOf(wParam, lParam), JobOutcome::Failed);
}

TEST(OnLibraryProgress, StoresTotalsAndCompletedCountsAndTracesThem)
{
    DebugOutput output;
    JobProgress progress;
    struct Report {
        int32_t isTotal;
        int64_t value;
        int64_t total, current;
        const wchar_t* line;
    };
    const Report reports[] = {
        {1, 5368709120LL, 5368709120LL, 0, L"g_nTotalSize-------------***5368709120"},
        {0, 1000, 5368709120LL, 1000, L"g_nCurrentSize-------------***1000"},
        {0, 4096, 5368709120LL, 4096, L"g_nCurrentSize-------------***4096"},
        {1, 7, 7, 4096, L"g_nTotalSize-------------***7"},
        {0, -3, 7, -3, L"g_nCurrentSize-------------***-3"},
        {2, 9, 9, -3, L"g_nTotalSize-------------***9"}, // any non-zero flag is a total
    };
    for (const auto& r : reports) {
        DebugOutput::lines.clear();
        EXPECT_EQ(progress.OnLibraryProgress(r.isTotal, r.value), 0);
        EXPECT_EQ(progress.Snapshot().totalSize, r.total);
        EXPECT_EQ(progress.Snapshot().currentSize, r.current);
        EXPECT_EQ(DebugOutput::lines, std::vector<std::wstring>{r.line});
    }
}

TEST(OnLibraryProgress, AnswersStopAndStoresNothingOnceCancelled)
{
    DebugOutput output;
    JobProgress progress;
    progress.OnLibraryProgress(1, 100);
    progress.OnLibraryProgress(0, 40);
    progress.Cancel();
    DebugOutput::lines.clear();

    EXPECT_EQ(progress.OnLibraryProgress(0, 60), 1);
    EXPECT_EQ(progress.OnLibraryProgress(1, 500), 1);

    EXPECT_EQ(progress.Snapshot().totalSize, 100);
    EXPECT_EQ(progress.Snapshot().currentSize, 40);
    EXPECT_TRUE(progress.Snapshot().cancel);
    EXPECT_TRUE(DebugOutput::lines.empty());
}

// A paused worker holds at its safe points until the person continues, or cancels: a cancel
// releases it for good, and a pause after it holds nothing.
TEST(JobProgress, APausedWorkerHoldsUntilContinueOrCancel)
{
    for (const bool byCancel : {false, true}) {
        JobProgress progress;
        progress.Pause(true);
        std::atomic<bool> released{false};
        std::thread worker([&] {
            progress.WaitWhilePaused();
            released = true;
        });
        EXPECT_TRUE(WaitUntil([&] { return progress.WorkerHeld(); }));
        EXPECT_FALSE(released.load());
        if (byCancel)
            progress.Cancel();
        else
            progress.Pause(false);
        worker.join();
        EXPECT_TRUE(released.load());
        EXPECT_EQ(progress.Paused(), byCancel); // a cancel leaves the pause as it was

        progress.Pause(true);
        if (byCancel) {
            progress.WaitWhilePaused(); // returns at once
            EXPECT_EQ(progress.OnLibraryProgress(0, 1), 1);
        }
    }
}

} // namespace
