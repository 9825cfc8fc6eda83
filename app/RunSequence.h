// The run sequence: from the main window's first show through the two questions and the job to
// the end of the program. It drives the main window (the view) and hosts the job.
//
//   Starting   -> Asking      the start timer fires
//   Asking     -> Running     folder and password given
//              -> Stranded    a blank folder: nothing follows until the window is closed
//              -> Closed      a question left unconfirmed, or the window closed meanwhile
//   Running    -> Finishing   the job reports its end
//              -> Cancelling  a close confirmed while files are written
//              -> Closed      a close confirmed before that (waits for the job to let go)
//   Cancelling -> Finishing   the job reports its end
//   Finishing  -> Closed      after the report's message
//   Stranded   -> Closed      the window is closed
//
// Every end goes through EndProgram, the one place that removes the working folder.
#pragma once

#include "job/Worker.h"
#include "ui/MainFrm.h"
#include "ui/OverWriteFrm.h"
#include "ui/PasswordFrm.h"
#include "ui/SetOutputFrm.h"

#include <memory>
#include <optional>
#include <string>

class RunSequence : public MainFrmEvents, public JobHost {
public:
    enum class State { Starting, Asking, Stranded, Running, Cancelling, Finishing, Closed };

    RunSequence(TfrmMain& frmMain, TfrmSetOutput& frmSetOutput, TfrmPassword& frmPassword);
    ~RunSequence() override;

private:
    // MainFrmEvents
    void FirstShown() override;
    void StartTimerFired() override;
    void ExtractDone(JobEnd end) override;
    bool CloseQuery() override;
    void ErrorRaised(const std::wstring& message) override;
    bool JobRunning() const override { return JobAlive(); }

    // JobHost
    HWND Window() override { return frmMain_.hwnd(); }
    void ShowTotalSize(int64_t totalSize) override { frmMain_.ShowTotalSize(totalSize); }
    std::optional<OverwriteChoice> AskOverwrite(const std::wstring& existing, const std::wstring& staged) override;
    bool AskPassword(std::wstring& password) override;
    void RequestClose() override { frmMain_.Close(); }

    // Running or Cancelling: thrExtract is there and has not reported its end.
    bool JobAlive() const { return state_ == State::Running || state_ == State::Cancelling; }
    void StartJob();
    // A close while one of our questions is open; answers false (not now).
    bool CloseDuringQuestion();
    // Removes the working folder and lets the window close; answers true.
    bool EndProgram();

    // Every question and message box goes through Modal: the job's end and a close can arrive
    // while one is open, and a close waits until it is answered.
    template <class Show>
    auto Modal(Show show)
    {
        ++modalDepth_;
        struct Ended {
            RunSequence* self;
            ~Ended()
            {
                --self->modalDepth_;
                self->ModalEnded();
            }
        } ended{this};
        return show();
    }
    void ModalEnded();
    int Ask(const std::wstring& text, UINT flags);
    // "Are you sure you want to cancel?"; true for OK.
    bool ConfirmCancel();

    TfrmMain& frmMain_;
    TfrmSetOutput& frmSetOutput_;
    TfrmPassword& frmPassword_;
    State state_ = State::Starting;

    // The job's inputs as the user gave them, and the job.
    std::wstring sDllPath;
    std::wstring sOutputPath;
    std::unique_ptr<TThreaEncryptFile> thrExtract;

    int modalDepth_ = 0;
    bool closePending_ = false;              // a close waits for the open question
    bool closeAsked_ = false;                // the close question is open
    bool abandoned_ = false;                 // closed before the job started
    TfrmOverWrite* frmOverWrite_ = nullptr;  // while the overwrite question is open
};
