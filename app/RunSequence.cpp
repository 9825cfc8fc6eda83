#include "app/RunSequence.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/WorkFolder.h"
#include "job/Staging.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "win32/Error.h"
#include "win32/MessageBox.h"
#include "win32/WindowCall.h"

#include <utility>

namespace key = lang::key;

namespace {

constexpr UINT kEndPauseMs = 1000;

// "Cannot create folder '{0}'" with the placeholder gone and the folder as typed after it.
std::wstring CannotCreateMessage(const std::wstring& text, const std::wstring& folder)
{
    return lang::WithoutPlaceholders(text) + L" " + folder;
}

} // namespace

RunSequence::RunSequence(ui::ProgressWindow& progressWindow, ui::FolderDialog& folderDialog,
                         ui::PasswordDialog& passwordDialog)
    : progressWindow_(progressWindow), folderDialog_(folderDialog), passwordDialog_(passwordDialog)
{
    progressWindow_.SetEvents(this);
}

RunSequence::~RunSequence()
{
    progressWindow_.SetEvents(nullptr);
}

// --- Starting: the working folder, the texts, then the start timer ---

void RunSequence::FirstShown()
{
    workFolder_ = fs::WorkFolder(job::WorkFolderBytes(fs::GetFileSizeByName(fs::ProgramPath())));
    lang::DeployLanguageFile(workFolder_.path()); // raises when the file cannot be written: the rest does not happen
    progressWindow_.SetTexts();
    progressWindow_.WaitUnseen();
}

// --- Asking: the output folder, then the password ---

void RunSequence::StartTimerFired()
{
    state_ = State::Asking;
    if (!Modal([&] { return folderDialog_.Execute(); }) || abandoned_) {
        progressWindow_.Close();
        return;
    }
    outputPath_ = folderDialog_.OutputText();
    if (fs::TrimBlanks(outputPath_).empty()) {
        // Nothing follows: the window stays unseen until it is closed.
        state_ = State::Stranded;
        Ask(lang::LangText(key::kSpecifyLocation), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!Modal([&] { return passwordDialog_.Execute(progressWindow_.hwnd()); }) || abandoned_) {
        progressWindow_.Close();
        return;
    }
    StartJob();
}

void RunSequence::StartJob()
{
    job::JobInput input;
    input.password = passwordDialog_.TakePassword(); // the job's copy, the only one kept
    progressWindow_.ShowJobStarted(progress_);
    input.outputPath = outputPath_;
    input.libraryPath = workFolder_.path() + fs::kLibraryName;
    input.workDir = workFolder_.path();
    input.programPath = fs::ProgramPath();
    job_ = std::make_unique<job::UnpackJob>(*this, progress_, std::move(input));
    progressWindow_.StartProgressTimer();
    try {
        job_->Start();
    } catch (...) {
        // No job runs: closing the window ends the program without a question.
        progressWindow_.StopProgressTimer();
        job_.reset();
        throw;
    }
    state_ = State::Running;
}

// --- Running: the job's questions ---

// These come on the job's thread: each goes to the window's thread, where the windows live.

void RunSequence::ShowTotalSize(int64_t totalSize)
{
    win32::CallOnWindowThread(progressWindow_.hwnd(), [&] { progressWindow_.ShowTotalSize(totalSize); });
}

// While the close question is open the clash waits for its end: a yes to the close answers it
// Cancel unseen, a no lets it show.
job::OverwriteAnswer RunSequence::AskOverwrite(const std::wstring& existing, const std::wstring& staged)
{
    for (;;) {
        std::optional<job::OverwriteAnswer> answer;
        win32::CallOnWindowThread(progressWindow_.hwnd(), [&] { answer = AskOverwriteNow(existing, staged); });
        if (answer)
            return *answer;
        ::WaitForSingleObject(closeQuestionOver_.get(), INFINITE);
    }
}

void RunSequence::JobEnded(job::JobOutcome outcome)
{
    const auto [wParam, lParam] = job::PostedPair(outcome);
    ::PostMessageW(progressWindow_.hwnd(), job::WM_EXTRACT_DONE, wParam, lParam);
}

// A cancelled job asks nothing more: its questions are answered as cancelled. None while the close
// question is open.
std::optional<job::OverwriteAnswer> RunSequence::AskOverwriteNow(const std::wstring& existing,
                                                                  const std::wstring& staged)
{
    if (progress_.Cancelled())
        return job::OverwriteAnswer::Cancel;
    if (closeAsked_)
        return std::nullopt;
    ui::OverwriteDialog dialog(progressWindow_.hwnd());
    dialog.existingFile = existing;
    dialog.newFile = staged;
    overwriteDialog_ = &dialog;
    const job::OverwriteAnswer answer = Modal([&] { return dialog.Execute(); });
    overwriteDialog_ = nullptr;
    return answer;
}

// --- Finishing: the job's report ---

// The report may arrive while a question of ours is open (the close question, say): it is handled
// there and then, and the close it asks for waits until the question is answered.
void RunSequence::ExtractDone(job::JobOutcome outcome)
{
    if (!JobAlive())
        return; // a close that waited for the job has dealt with its end already
    state_ = State::Finishing;
    progressWindow_.StopProgressTimer();
    progressWindow_.ShowJobEnded(outcome != job::JobOutcome::Finished);
    // The last figures stay in view for a moment before any message and the close.
    ended_ = outcome;
    progressWindow_.PauseBeforeTheEnd(kEndPauseMs);
}

void RunSequence::EndPauseOver()
{
    const job::JobOutcome outcome = *std::exchange(ended_, std::nullopt);
    const std::wstring& message = job_->Result().message;
    if (outcome == job::JobOutcome::NoTargetFolder)
        Ask(CannotCreateMessage(lang::LangText(key::kCannotCreateFolder), outputPath_), MB_OK | MB_ICONWARNING);
    else if (outcome == job::JobOutcome::WrongPassword)
        Ask(lang::LangText(key::kWrongPassword), MB_OK | MB_ICONWARNING);
    else if (outcome == job::JobOutcome::Failed)
        Ask(lang::LangText(key::kNotExtracted) + L"\r\n\r\n" + message, MB_OK | MB_ICONWARNING);
    else if (!message.empty())
        Ask(message, MB_OK | MB_ICONINFORMATION);
    job_.reset();
    progressWindow_.Close();
}

// --- Closing ---

bool RunSequence::CloseQuery()
{
    if (modalDepth_ > 0)
        return CloseDuringQuestion();
    if (ended_)
        return false; // the job has ended: its message and the close follow in a moment
    if (!JobAlive())
        return EndProgram();
    if (!ConfirmCancel())
        return false;
    // The job may have ended while the question was open.
    if (!JobAlive() || job_->Finished())
        return false; // its report is handled, or on the way, and closes the window
    progress_.Cancel();
    if (job::ExtractionBegun(progress_.phase.load())) {
        // The job stops at its next look and reports; that report closes the window. What the job
        // still holds open stays until then.
        state_ = State::Cancelling;
        workFolder_.Remove();
        return false;
    }
    // Still staging or checking: the job lets go of its files at its next look, however long its
    // current step takes. The window is gone for the user meanwhile.
    progressWindow_.HideForGood();
    job_->WaitWhileServingCalls();
    job_.reset();
    return EndProgram();
}

bool RunSequence::CloseDuringQuestion()
{
    if (state_ == State::Asking) {
        // No job yet: the open dialog ends unconfirmed, and the program with it.
        abandoned_ = true;
        folderDialog_.EndModal();
        passwordDialog_.EndModal();
        return false;
    }
    if (overwriteDialog_ && !closeAsked_) {
        // The overwrite question is open: the close is asked about now, and a yes answers that
        // question Cancel, so that the job can end.
        const bool confirmed = ConfirmCancel();
        if (confirmed && overwriteDialog_) {
            state_ = State::Cancelling;
            progress_.Cancel();
            overwriteDialog_->Answer(job::OverwriteAnswer::Cancel);
        }
        return false;
    }
    closePending_ = true; // once the open question is answered
    return false;
}

bool RunSequence::EndProgram()
{
    workFolder_.Remove();
    state_ = State::Closed;
    return true;
}

// --- Questions and messages ---

void RunSequence::ModalEnded()
{
    if (modalDepth_ == 0 && closePending_) {
        closePending_ = false;
        progressWindow_.Close();
    }
}

int RunSequence::Ask(const std::wstring& text, UINT flags)
{
    return Modal([&] { return win32::ShowMessage(progressWindow_.hwnd(), text, flags); });
}

bool RunSequence::ConfirmCancel()
{
    closeAsked_ = true;
    ::ResetEvent(closeQuestionOver_.get());
    const bool confirmed = Ask(lang::LangText(key::kConfirmCancel), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    closeAsked_ = false;
    ::SetEvent(closeQuestionOver_.get()); // a clash that waited may show now, or learn of the cancel
    return confirmed;
}

void RunSequence::ErrorRaised(std::exception_ptr error)
{
    Ask(lang::ErrorText(error), MB_OK | MB_ICONERROR);
}
