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
//   Finishing  -> Closed      a second after the report, after its message
//   Stranded   -> Closed      the window is closed
//
// Every end goes through EndProgram, the one place that removes the working folder.
#pragma once

#include "fs/WorkFolder.h"
#include "job/UnpackJob.h"
#include "ui/ProgressWindow.h"
#include "ui/OverwriteDialog.h"
#include "ui/PasswordDialog.h"
#include "ui/FolderDialog.h"
#include "win32/Handles.h"

#include <memory>
#include <optional>
#include <string>

class RunSequence : public ui::ProgressWindowEvents, public job::JobHost {
public:
    enum class State { Starting, Asking, Stranded, Running, Cancelling, Finishing, Closed };

    RunSequence(ui::ProgressWindow& progressWindow, ui::FolderDialog& folderDialog, ui::PasswordDialog& passwordDialog);
    ~RunSequence() override;

private:
    // ProgressWindowEvents
    void FirstShown() override;
    void StartTimerFired() override;
    void ExtractDone(job::JobOutcome outcome) override;
    void EndPauseOver() override;
    bool CloseQuery() override;
    void ErrorRaised(std::exception_ptr error) override;
    bool JobRunning() const override { return JobAlive(); }

    // JobHost, on the job's thread
    void ShowTotalSize(int64_t totalSize) override;
    job::OverwriteAnswer AskOverwrite(const std::wstring& existing, const std::wstring& staged) override;
    void JobEnded(job::JobOutcome outcome) override;

    // The clash question on the window's thread; none while the close question is open.
    std::optional<job::OverwriteAnswer> AskOverwriteNow(const std::wstring& existing, const std::wstring& staged);

    // Running or Cancelling: job_ is there and has not reported its end.
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

    ui::ProgressWindow& progressWindow_;
    ui::FolderDialog& folderDialog_;
    ui::PasswordDialog& passwordDialog_;
    State state_ = State::Starting;

    // The run's working folder: the language file, the archive library and the staged archive.
    fs::WorkFolder workFolder_;
    // The folder as the user gave it, and the job.
    std::wstring outputPath_;
    job::JobProgress progress_;
    std::unique_ptr<job::UnpackJob> job_;

    int modalDepth_ = 0;
    bool closePending_ = false;              // a close waits for the open question
    bool closeAsked_ = false;                // the close question is open
    // Set while the close question is not open: a clash that found it open waits for it.
    win32::KernelHandle closeQuestionOver_{::CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    bool abandoned_ = false;                 // closed before the job started
    std::optional<job::JobOutcome> ended_;        // the job has ended; its message follows
    ui::OverwriteDialog* overwriteDialog_ = nullptr;  // while the overwrite question is open
};
