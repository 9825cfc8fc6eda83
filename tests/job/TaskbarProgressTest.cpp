// The progress on the taskbar button through real job runs: the main window (never shown) follows
// the job as in the program, ticking and clicked as a person would, and the button's calls are
// recorded.
#include "ui/ProgressWindow.h"

#include "support/JobHarness.h"
#include "support/Languages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <thread>
#include <vector>

using namespace job;
using namespace ui;
using namespace testing_support;

// For the messages of failed expectations.
void PrintTo(TaskbarState state, std::ostream* out)
{
    static const char* const kNames[] = {"None", "Normal", "Paused", "Error"};
    *out << kNames[static_cast<int>(state)];
}

namespace {

struct Shown {
    TaskbarState state;
    int percent;
};

class RecordedTaskbar : public TaskbarButton {
public:
    explicit RecordedTaskbar(std::vector<Shown>& record) : record_(record) {}
    void Show(HWND, TaskbarState state, int percent) override { record_.push_back({state, percent}); }

private:
    std::vector<Shown>& record_;
};

// The run sequence, as far as the window asks it: a job runs.
struct AJobRuns : ProgressWindowEvents {
    void FirstShown() override {}
    void StartTimerFired() override {}
    void ExtractDone(JobOutcome) override {}
    void EndPauseOver() override {}
    bool CloseQuery() override { return true; }
    void ErrorRaised(std::exception_ptr) override {}
    bool JobRunning() const override { return true; }
};

// The states shown, each run of the same state once.
std::vector<TaskbarState> States(const std::vector<Shown>& shown)
{
    std::vector<TaskbarState> states;
    for (const Shown& s : shown)
        if (states.empty() || states.back() != s.state)
            states.push_back(s.state);
    return states;
}

struct WindowUnderTest {
    explicit WindowUnderTest(const ScratchFolder& scratch) : language(scratch, L"Lang_English")
    {
        window.SetEvents(&events);
        window.SetTaskbarButton(std::make_unique<RecordedTaskbar>(shown));
        window.SetTexts();
    }
    HWND Button(const wchar_t* text) const { return ::FindWindowExW(window.hwnd(), nullptr, L"Button", text); }

    UseLanguage language;
    std::vector<Shown> shown;
    AJobRuns events;
    ProgressWindow window;
};

constexpr WPARAM kProgressTimer = 2;
constexpr UINT kTrayIconMessage = WM_APP + 1; // what the shell sends for the tray icon

TEST(TaskbarProgress, NormalWhileRunningPausedWhilePausedNoneInTheTrayAndAtTheEnd)
{
    JobBench bench("big.exe");
    WindowUnderTest progress(bench.scratch);
    const HWND window = progress.window.hwnd(), pause = progress.Button(L"&Pause");
    const HWND background = progress.Button(L"&Background");
    ASSERT_TRUE(pause && background);

    // At its first block written the job waits while the person looks and clicks.
    win32::KernelHandle reached(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win32::KernelHandle go(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<bool> held{false};
    bench.input.onStep = [&](JobStep step, const std::wstring&) {
        if (step == JobStep::Progress && bench.progress->currentSize.load() > 0 && !held.exchange(true)) {
            ::SetEvent(reached.get());
            ::WaitForSingleObject(go.get(), 20000);
        }
    };
    std::thread person([&] {
        if (::WaitForSingleObject(reached.get(), 20000) != WAIT_OBJECT_0)
            return;
        ::SendMessageW(window, WM_TIMER, kProgressTimer, 0);
        ::SendMessageW(pause, BM_CLICK, 0, 0);
        ::SetEvent(go.get()); // the job holds at its next look
        ::SendMessageW(background, BM_CLICK, 0, 0);
        ::SendMessageW(window, kTrayIconMessage, 1, WM_LBUTTONUP);
        ::SendMessageW(pause, BM_CLICK, 0, 0); // "Continue"
    });
    progress.window.ShowJobStarted(*bench.progress);
    const JobOutcome end = bench.Run();
    person.join();
    progress.window.ShowJobEnded(end != JobOutcome::Finished);

    EXPECT_EQ(end, JobOutcome::Finished);
    using enum TaskbarState;
    EXPECT_EQ(States(progress.shown), (std::vector{Normal, Paused, None, Paused, Normal, None}));
    // While paused the button shows the percentage the window showed at the tick.
    const auto paused = std::find_if(progress.shown.begin(), progress.shown.end(),
                                     [](const Shown& s) { return s.state == Paused; });
    ASSERT_NE(paused, progress.shown.end());
    EXPECT_EQ(paused->percent, std::prev(paused)->percent);
}

TEST(TaskbarProgress, RedWhenTheJobEndsWithAWarningThenNoneWhenTheWindowCloses)
{
    JobBench bench("good.exe");
    bench.input.password = L"not the password";
    WindowUnderTest progress(bench.scratch);
    progress.window.ShowJobStarted(*bench.progress);
    const JobOutcome end = bench.Run();
    progress.window.ShowJobEnded(end != JobOutcome::Finished);
    ::DestroyWindow(progress.window.hwnd());
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE); // the window's end ends no loop here

    EXPECT_EQ(end, JobOutcome::WrongPassword);
    using enum TaskbarState;
    EXPECT_EQ(States(progress.shown), (std::vector{Normal, Error, None}));
}

} // namespace
