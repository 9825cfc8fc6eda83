#include "job/JobState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

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

TEST(JobState, StartsClearedWithTheAgreedWidthsAndValues)
{
    static_assert(sizeof g_nTotalSize == 8 && sizeof g_nCurrentSize == 8);
    static_assert(sizeof g_bCancel == 4 && sizeof g_bPlacing == 4 && sizeof g_nFileCount == 4);
    static_assert(sizeof(OverwriteAnswer) == 4);
    EXPECT_EQ(kFlagSet, -1);
    EXPECT_EQ(WM_EXTRACT_DONE, 0x0608u);
    const OverwriteAnswer answers[] = {OverwriteAnswer::Yes,   OverwriteAnswer::No,     OverwriteAnswer::YesAll,
                                       OverwriteAnswer::NoAll, OverwriteAnswer::Rename, OverwriteAnswer::Cancel};
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(static_cast<int32_t>(answers[i]), i);

    for (auto* counter : {&g_nTotalSize, &g_nCurrentSize})
        EXPECT_EQ(counter->load(), 0);
    for (auto* value : {&g_bCancel, &g_bExtractPhase, &g_bHoldProgress, &g_bStagedExtract, &g_bPlacing,
                        &g_nFileCount, &g_nPlacedCount, &g_nExtractTicks, &g_nPlaceTicks})
        EXPECT_EQ(value->load(), 0);

    SetFlag(g_bPlacing, true);
    EXPECT_EQ(g_bPlacing.load(), -1);
    SetFlag(g_bPlacing, false);
    EXPECT_EQ(g_bPlacing.load(), 0);
}

TEST(JobState, CompletionCodes)
{
    const JobEnd ends[] = {kJobFinished, kJobNoTargetFolder, kJobWrongPassword, kJobFailed};
    const std::pair<WPARAM, LPARAM> expected[] = {{1, 0}, {0, 1}, {0, 2}, {0, 3}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ends[i].wParam, expected[i].first);
        EXPECT_EQ(ends[i].lParam, expected[i].second);
    }
}

TEST(OnJobProgress, StoresTotalsAndCompletedCountsAndTracesThem)
{
    DebugOutput output;
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
        EXPECT_EQ(OnJobProgress(nullptr, r.isTotal, r.value), 0);
        EXPECT_EQ(g_nTotalSize.load(), r.total);
        EXPECT_EQ(g_nCurrentSize.load(), r.current);
        EXPECT_EQ(DebugOutput::lines, std::vector<std::wstring>{r.line});
    }
}

TEST(OnJobProgress, AnswersStopAndStoresNothingOnceCancelled)
{
    DebugOutput output;
    OnJobProgress(nullptr, 1, 100);
    OnJobProgress(nullptr, 0, 40);
    SetFlag(g_bCancel, true);
    DebugOutput::lines.clear();

    EXPECT_EQ(OnJobProgress(nullptr, 0, 60), 1);
    EXPECT_EQ(OnJobProgress(nullptr, 1, 500), 1);

    EXPECT_EQ(g_nTotalSize.load(), 100);
    EXPECT_EQ(g_nCurrentSize.load(), 40);
    EXPECT_TRUE(DebugOutput::lines.empty());
}

TEST(JobState, ByteCountersNeverTear)
{
    // One thread flips the counter between two values that differ in both 32-bit halves;
    // a reader must only ever see one or the other.
    constexpr int64_t a = 0x00000001FFFFFFFFLL, b = 0x7FFFFFFF00000000LL;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i)
            g_nCurrentSize.store(i & 1 ? a : b);
    });
    int torn = 0;
    for (int i = 0; i < 2000000; ++i) {
        int64_t v = g_nCurrentSize.load();
        if (v != a && v != b && v != 0)
            ++torn;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
