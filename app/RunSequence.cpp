#include "app/RunSequence.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/WorkFolder.h"
#include "job/Staging.h"
#include "lang/Language.h"
#include "win32/Error.h"

namespace {

// "Cannot create folder '{0}'" with the placeholder gone and the folder as typed after it.
std::wstring CannotCreateMessage(const std::wstring& text, const std::wstring& folder)
{
    return WithoutPlaceholders(text) + L" " + folder;
}

} // namespace

RunSequence::RunSequence(ProgressWindow& progressWindow, FolderDialog& folderDialog, PasswordDialog& passwordDialog)
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
    fs::SweepAbandonedFolders(fs::WorkFolderBases()); // what runs ended without warning left
    g_sWorkDir = fs::SelectWorkFolder(WorkFolderBytes(fs::GetFileSizeByName(fs::ProgramPath())));
    DeployLanguageFile(g_sWorkDir); // raises when the file cannot be written: the rest does not happen
    progressWindow_.SetTexts();
    job_.reset();
    libraryPath_ = g_sWorkDir + fs::kLibraryName;
    SetFlag(g_bCancel, false);
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
        Ask(LangText(L"02000881"), MB_OK | MB_ICONINFORMATION);
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
    progressWindow_.ShowJobStarted();
    JobInput input;
    input.outputPath = outputPath_;
    input.password = passwordDialog_.PasswordText(); // the job's copy, the only one kept
    input.libraryPath = libraryPath_;
    input.workDir = g_sWorkDir;
    input.programPath = fs::ProgramPath();
    job_ = std::make_unique<UnpackJob>(*this, std::move(input));
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

// A cancelled job asks nothing more: its questions are answered as cancelled. While the close
// question is open the clash waits (the job asks again): a yes to the close answers it Cancel
// unseen, a no lets it show.
std::optional<OverwriteAnswer> RunSequence::AskOverwrite(const std::wstring& existing, const std::wstring& staged)
{
    if (g_bCancel.load())
        return OverwriteAnswer::Cancel;
    if (closeAsked_)
        return std::nullopt;
    OverwriteDialog dialog(progressWindow_.hwnd());
    dialog.existingFile = existing;
    dialog.newFile = staged;
    overwriteDialog_ = &dialog;
    const OverwriteAnswer answer = Modal([&] { return dialog.Execute(); });
    overwriteDialog_ = nullptr;
    return answer;
}

bool RunSequence::AskPassword(std::wstring& password)
{
    if (g_bCancel.load() || !Modal([&] { return passwordDialog_.Execute(progressWindow_.hwnd()); }))
        return false;
    password = passwordDialog_.PasswordText();
    return true;
}

// --- Finishing: the job's report ---

// The report may arrive while a question of ours is open (the close question, say): it is handled
// there and then, and the close it asks for waits until the question is answered.
void RunSequence::ExtractDone(JobEnd end)
{
    if (!JobAlive())
        return; // a close that waited for the job has dealt with its end already
    state_ = State::Finishing;
    progressWindow_.StopProgressTimer();
    progressWindow_.ShowJobEnded(end != kJobFinished);
    ::Sleep(1000); // the last figures stay in view for a moment before any message and the close
    if (end == kJobNoTargetFolder)
        Ask(CannotCreateMessage(LangText(L"02000603"), outputPath_), MB_OK | MB_ICONWARNING);
    else if (end == kJobWrongPassword)
        Ask(LangText(L"02000B10"), MB_OK | MB_ICONWARNING);
    else if (end == kJobFailed)
        Ask(LangText(L"02000C40") + L"\r\n\r\n" + g_sJobError, MB_OK | MB_ICONWARNING);
    else if (!g_sJobNotice.empty())
        Ask(g_sJobNotice, MB_OK | MB_ICONINFORMATION);
    job_.reset();
    progressWindow_.Close();
}

// --- Closing ---

bool RunSequence::CloseQuery()
{
    if (modalDepth_ > 0)
        return CloseDuringQuestion();
    if (!JobAlive())
        return EndProgram();
    if (!ConfirmCancel())
        return false;
    // The job may have ended while the question was open.
    if (!JobAlive() || job_->Finished())
        return false; // its report is handled, or on the way, and closes the window
    CancelJob();
    if (g_bExtractPhase.load()) {
        // The job stops at its next look and reports; that report closes the window. What the job
        // still holds open stays until then.
        state_ = State::Cancelling;
        fs::DeleteFolderTree(g_sWorkDir);
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
            CancelJob();
            overwriteDialog_->Answer(OverwriteAnswer::Cancel);
        }
        return false;
    }
    closePending_ = true; // once the open question is answered
    return false;
}

bool RunSequence::EndProgram()
{
    fs::DeleteFolderTree(g_sWorkDir);
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
    const bool confirmed = Ask(LangText(L"02000C30"), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    closeAsked_ = false;
    return confirmed;
}

void RunSequence::ErrorRaised(const std::wstring& message)
{
    Ask(message, MB_OK | MB_ICONERROR);
}
