// The main window: the progress display of the job, and the window the run sequence drives.
#pragma once

#include "job/JobOutcome.h"
#include "job/JobProgress.h"
#include "ui/ProgressTick.h"
#include "ui/TaskbarButton.h"
#include "win32/Window.h"

#include <memory>
#include <string>

namespace ui {

// What the main window reports to the run sequence that drives it; all on the window's thread.
class ProgressWindowEvents {
public:
    virtual ~ProgressWindowEvents() = default;
    virtual void FirstShown() = 0;
    virtual void StartTimerFired() = 0;
    virtual void ExtractDone(job::JobOutcome outcome) = 0;
    // The pause that PauseBeforeTheEnd began is over.
    virtual void EndPauseOver() = 0;
    // Whether the window may close now.
    virtual bool CloseQuery() = 0;
    // An error that a message handler raised.
    virtual void ErrorRaised(std::exception_ptr error) = 0;
    virtual bool JobRunning() const = 0;
};

// The main window is the progress view: the labels, the progress tick, the buttons and the tray
// icon. What happens when is the run sequence's (app/RunSequence.h).
class ProgressWindow : public win32::Window {
public:
    ProgressWindow();
    ~ProgressWindow() override;

    void SetEvents(ProgressWindowEvents* events) { events_ = events; }
    // Where the taskbar progress goes; the shell's taskbar unless a test records it.
    void SetTaskbarButton(std::unique_ptr<TaskbarButton> button) { taskbar_ = std::move(button); }

    // The texts of the window from the language file.
    void SetTexts();
    // Shown but unseen (fully transparent, still on the taskbar) until the job starts; the start
    // timer fires once soon after.
    void WaitUnseen();
    // Seen, with the first labels of the job; shows progress's figures from now on (progress
    // outlives the window's use of it: the run owns both).
    void ShowJobStarted(job::JobProgress& progress);
    void StartProgressTimer();
    void StopProgressTimer();
    void ShowTotalSize(int64_t totalSize);
    // The job's end on the taskbar button: red for an end with a warning, none otherwise.
    void ShowJobEnded(bool withWarning);
    // Lets the last figures stay in view for a while, the window painting and answering meanwhile;
    // then tells the run sequence (EndPauseOver).
    void PauseBeforeTheEnd(UINT milliseconds);
    // Gone from sight and from the tray for the rest of the run.
    void HideForGood();
    // Asks the window to close, as its close box does.
    void Close();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnError(std::exception_ptr error) override;
    void Arrange() override;

    // The handlers; the first five hand over to the run sequence.
    void OnFirstShow();
    void OnStartTimer();
    void OnExtractDone(WPARAM wParam, LPARAM lParam);
    void OnEndPauseOver();
    bool MayClose();
    void OnProgressTick();
    void OnPause();
    void OnBackground();
    void OnTrayIcon();
    void RemoveTrayIcon();
    void SetLabel(HWND label, const std::wstring& text);
    // The taskbar button's progress: state with the last percentage shown, none while the window
    // is in the tray. Tells the button only what changed.
    void ShowOnTaskbar(TaskbarState state);

    // Controls.
    HWND status_ = nullptr, percentLabel_ = nullptr, progressBar_ = nullptr, statsFrame_ = nullptr;
    HWND totalSizeCaption_ = nullptr, totalSize_ = nullptr, doneSizeCaption_ = nullptr, doneSize_ = nullptr;
    HWND elapsedCaption_ = nullptr, elapsed_ = nullptr, speedCaption_ = nullptr, speed_ = nullptr;
    HWND remainingCaption_ = nullptr, remaining_ = nullptr;
    HWND backgroundButton_ = nullptr, pauseButton_ = nullptr, cancelButton_ = nullptr;

    ProgressWindowEvents* events_ = nullptr;
    job::JobProgress* progress_ = nullptr;
    TickCounters ticks_;
    bool shown_ = false;
    bool trayShown_ = false;
    win32::IconHandle trayIcon_;
    std::unique_ptr<TaskbarButton> taskbar_ = ShellTaskbarButton();
    TaskbarState taskbarState_ = TaskbarState::None; // wanted, out of the tray
    TaskbarState shownState_ = TaskbarState::None;
    int percent_ = 0;
    int shownPercent_ = 0;
};

// The title the application has before the language texts: the program file's name up to its
// first ".", every letter after the first in lower case.
std::wstring DefaultApplicationTitle();

} // namespace ui
