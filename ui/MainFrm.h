// The main window: the progress display of the job, and the window the run sequence drives.
#pragma once

#include "job/JobState.h"
#include "ui/ProgressTick.h"
#include "ui/TaskbarButton.h"
#include "win32/Window.h"

#include <memory>
#include <string>

// What the main window reports to the run sequence that drives it; all on the window's thread.
class MainFrmEvents {
public:
    virtual ~MainFrmEvents() = default;
    virtual void FirstShown() = 0;
    virtual void StartTimerFired() = 0;
    virtual void ExtractDone(JobEnd end) = 0;
    // Whether the window may close now.
    virtual bool CloseQuery() = 0;
    // An error that a message handler raised.
    virtual void ErrorRaised(const std::wstring& message) = 0;
    virtual bool JobRunning() const = 0;
};

// The main window is the progress view: the labels, the progress tick, the buttons and the tray
// icon. What happens when is the run sequence's (app/RunSequence.h).
class TfrmMain : public win32::Window {
public:
    TfrmMain();
    ~TfrmMain() override;

    void SetEvents(MainFrmEvents* events) { events_ = events; }
    // Where the taskbar progress goes; the shell's taskbar unless a test records it.
    void SetTaskbarButton(std::unique_ptr<TaskbarButton> button) { taskbar_ = std::move(button); }

    // The texts of the window from the language file.
    void SetTexts();
    // Shown but unseen (fully transparent, still on the taskbar) until the job starts; the start
    // timer fires once soon after.
    void WaitUnseen();
    // Seen, with the first labels of the job.
    void ShowJobStarted();
    void StartProgressTimer();
    void StopProgressTimer();
    void ShowTotalSize(int64_t totalSize);
    // The job's end on the taskbar button: red for an end with a warning, none otherwise.
    void ShowJobEnded(bool withWarning);
    // Gone from sight and from the tray for the rest of the run.
    void HideForGood();
    // Asks the window to close, as its close box does.
    void Close();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnError(const std::wstring& message) override;
    void Arrange() override;

    // The handlers; the first four hand over to the run sequence.
    void FormShow();
    void Timer1Timer();
    void OnExtractDone(WPARAM wParam, LPARAM lParam);
    bool FormCloseQuery();
    void TimerProcessTimer();
    void btnPauseClick();
    void btnHideClick();
    void TrayIcon1Click();
    void RemoveTrayIcon();
    void SetLabel(HWND label, const std::wstring& text);
    // The taskbar button's progress: state with the last percentage shown, none while the window
    // is in the tray. Tells the button only what changed.
    void ShowOnTaskbar(TaskbarState state);

    // Controls.
    HWND lblFileName = nullptr, lblPercent = nullptr, pbTotal = nullptr, GroupBox1 = nullptr;
    HWND lblTotalSize_Tip = nullptr, lblTotalSize = nullptr, lblCurrentSize_Tip = nullptr, lblCurrentSize = nullptr;
    HWND lblTime_Used_Tip = nullptr, lblTime_Used = nullptr, lblSpeed_Tip = nullptr, lblSpeed = nullptr;
    HWND lblTime_Left_Tip = nullptr, lblTime_Left = nullptr;
    HWND btnHide = nullptr, btnPause = nullptr, btnCancel = nullptr;

    int32_t nTimeUsed = 0;
    MainFrmEvents* events_ = nullptr;
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
