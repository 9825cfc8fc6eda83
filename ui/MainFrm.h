// The main window: the run sequence from first show to close, and the progress display.
#pragma once

#include "job/Worker.h"
#include "ui/PasswordFrm.h"
#include "ui/ProgressTick.h"
#include "ui/OverWriteFrm.h"
#include "ui/SetOutputFrm.h"
#include "win32/Window.h"

#include <memory>
#include <string>

class TfrmMain : public win32::Window, public JobHost {
public:
    TfrmMain();
    ~TfrmMain() override;

    // The two dialogs the run asks through; made after the main window, as it owns them.
    void SetDialogs(TfrmSetOutput* setOutput, TfrmPassword* password);

    // JobHost
    HWND Window() override { return hwnd(); }
    void ShowTotalSize() override;
    OverwriteChoice AskOverwrite(const std::wstring& existing, const std::wstring& staged) override;
    bool AskPassword(std::wstring& password) override;
    void RequestClose() override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void FormShow();
    void SetTexts();
    void Timer1Timer();
    void StartJob();
    void TimerProcessTimer();
    void OnExtractDone(WPARAM wParam, LPARAM lParam);
    bool FormCloseQuery();
    void btnPauseClick();
    void btnHideClick();
    void TrayIcon1Click();
    void RemoveTrayIcon();
    void SetLabel(HWND label, const std::wstring& text);
    void OnError(const std::wstring& message) override;

    // Every question and message box of the window goes through Modal: the job's end and a close
    // can arrive while one is open, and a close waits until it is answered.
    template <class Show>
    auto Modal(Show show)
    {
        ++modalDepth_;
        struct Ended {
            TfrmMain* self;
            ~Ended()
            {
                --self->modalDepth_;
                self->ModalEnded();
            }
        } ended{this};
        return show();
    }
    int Ask(const std::wstring& text, UINT flags);
    // "Are you sure you want to cancel?"; true for OK.
    bool ConfirmCancel();
    void ModalEnded();

    // Controls.
    HWND lblFileName = nullptr, lblPercent = nullptr, pbTotal = nullptr, GroupBox1 = nullptr;
    HWND lblTotalSize_Tip = nullptr, lblTotalSize = nullptr, lblCurrentSize_Tip = nullptr, lblCurrentSize = nullptr;
    HWND lblTime_Used_Tip = nullptr, lblTime_Used = nullptr, lblSpeed_Tip = nullptr, lblSpeed = nullptr;
    HWND lblTime_Left_Tip = nullptr, lblTime_Left = nullptr;
    HWND btnHide = nullptr, btnPause = nullptr, btnCancel = nullptr;

    // Fields.
    int32_t nTimeUsed = 0;
    std::wstring sDllPath;
    std::wstring sTmpPath;
    std::wstring sOutputPath;
    std::wstring sPassword;
    std::unique_ptr<TThreaEncryptFile> thrExtract;

    TfrmSetOutput* frmSetOutput = nullptr;
    TfrmPassword* frmPassword = nullptr;
    TickCounters ticks_;
    bool shown_ = false;
    bool trayShown_ = false;
    int modalDepth_ = 0;
    bool closePending_ = false;
    bool closeAsked_ = false;
    TfrmOverWrite* frmOverWrite_ = nullptr; // while the overwrite question is open
};

// The title the application has before the language texts: the program file's name up to its
// first ".", every letter after the first in lower case.
std::wstring DefaultApplicationTitle();
