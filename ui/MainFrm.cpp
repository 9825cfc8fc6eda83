#include "ui/MainFrm.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/WorkFolder.h"
#include "job/Staging.h"
#include "lang/Language.h"
#include "ui/Format.h"
#include "ui/OverWriteFrm.h"
#include "win32/Error.h"
#include "win32/WindowCall.h"
#include "win32/SystemLibrary.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

enum { IdHide = 100, IdPause, IdCancel };
enum { kStartTimer = 1, kProgressTimer = 2 };
constexpr UINT WM_TRAY_ICON = WM_APP + 1;

// "Cannot create folder '{0}'" with the placeholder gone and the folder as typed after it.
std::wstring CannotCreateMessage(const std::wstring& text, const std::wstring& folder)
{
    std::wstring message = text;
    for (size_t at; (at = message.find(L"{0}")) != std::wstring::npos;)
        message.erase(at, 3);
    return fs::TrimBlanks(message) + L" " + folder;
}

} // namespace

std::wstring DefaultApplicationTitle()
{
    std::wstring path = fs::ProgramPath();
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    name = name.substr(0, name.find(L'.'));
    if (name.size() > 1)
        ::CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}

TfrmMain::TfrmMain()
{
    Create(L"TfrmMain", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_APPWINDOW, 392, 210,
           nullptr);
    btnHide = AddButton(IdHide, L"&Background", 24, 164, 75, 25);
    btnPause = AddButton(IdPause, L"&Pause", 159, 164, 75, 25);
    btnCancel = AddButton(IdCancel, L"Cancel", 294, 164, 75, 25);
    GroupBox1 = AddGroupBox(24, 66, 345, 78);
    pbTotal = AddControl(PROGRESS_CLASSW, L"", 0, 24, 37, 345, 17);
    ::SendMessageW(pbTotal, PBM_SETRANGE32, 0, 100);
    lblFileName = AddLabel(L"00:00:00", 24, 13, 0, 0, SS_NOPREFIX);
    lblPercent = AddLabel(L"100%", 340, 13, 29, 13, SS_RIGHT);
    // Inside the frame, which starts at (24, 66).
    const int x = 24, y = 66;
    lblTotalSize_Tip = AddLabel(L"Total size:", x + 16, y + 17, 84, 26);
    lblTotalSize = AddLabel(L"00:00:00", x + 99, y + 17);
    lblCurrentSize_Tip = AddLabel(L"Processed:", x + 130, y + 33, 40, 13);
    lblCurrentSize = AddLabel(L"00:00:00", x + 194, y + 33);
    ::ShowWindow(lblCurrentSize_Tip, SW_HIDE);
    ::ShowWindow(lblCurrentSize, SW_HIDE);
    lblTime_Used_Tip = AddLabel(L"Elapsed time:", x + 198, y + 17, 90, 26);
    lblTime_Used = AddLabel(L"00:00:00", x + 293, y + 17);
    lblSpeed_Tip = AddLabel(L"Speed:", x + 16, y + 47, 84, 26);
    lblSpeed = AddLabel(L"00:00:00", x + 99, y + 47);
    lblTime_Left_Tip = AddLabel(L"Remaining time:", x + 198, y + 47, 90, 26);
    lblTime_Left = AddLabel(L"00:00:00", x + 293, y + 47);
    win32::SetText(hwnd(), L"Extract");
    win32::SetApplicationTitle(DefaultApplicationTitle());
}

TfrmMain::~TfrmMain()
{
    RemoveTrayIcon();
}

void TfrmMain::SetDialogs(TfrmSetOutput* setOutput, TfrmPassword* password)
{
    frmSetOutput = setOutput;
    frmPassword = password;
}

void TfrmMain::SetLabel(HWND label, const std::wstring& text)
{
    win32::SetText(label, text);
    if (label != lblPercent)
        FitLabel(label);
}

// --- Start: first show, texts, the two questions, the job ---

void TfrmMain::FormShow()
{
    g_sWorkDir = fs::SelectWorkFolder(WorkFolderBytes(fs::GetFileSizeByName(fs::ProgramPath())));
    SetTexts(); // raises when the language file cannot be written: the rest does not happen
    thrExtract.reset();
    sDllPath = g_sWorkDir + L"7z.dll";
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), 0, 0, LWA_ALPHA);
    SetFlag(g_bCancel, false);
    nTimeUsed = 0;
    ::SetTimer(hwnd(), kStartTimer, 50, nullptr);
}

void TfrmMain::SetTexts()
{
    DeployLanguageFile();
    win32::SetText(hwnd(), LangText(L"02000800"));
    win32::SetApplicationTitle(LangText(L"01000000"));
    const std::pair<HWND, const wchar_t*> texts[] = {
        {btnHide, L"02000C10"},         {btnPause, L"02000C12"},          {btnCancel, L"02000710"},
        {lblTotalSize_Tip, L"02000C03"}, {lblCurrentSize_Tip, L"02000C05"}, {lblSpeed_Tip, L"02000C04"},
        {lblTime_Used_Tip, L"02000C01"}, {lblTime_Left_Tip, L"02000C02"},
    };
    for (const auto& [control, key] : texts)
        win32::SetText(control, LangText(key));
}

void TfrmMain::Timer1Timer()
{
    ::KillTimer(hwnd(), kStartTimer);
    if (!Modal([&] { return frmSetOutput->Execute(); })) {
        ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        return;
    }
    sOutputPath = frmSetOutput->OutputText();
    if (fs::TrimBlanks(sOutputPath).empty()) {
        // Nothing follows: the window stays invisible until it is closed.
        Ask(LangText(L"02000881"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!Modal([&] { return frmPassword->Execute(hwnd()); })) {
        ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        return;
    }
    StartJob();
}

void TfrmMain::StartJob()
{
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & ~WS_EX_LAYERED);
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    SetLabel(lblPercent, L"0%");
    SetLabel(lblSpeed, L"");
    SetLabel(lblFileName, LangText(L"02000105"));
    sPassword = frmPassword->PasswordText();
    thrExtract = std::make_unique<TThreaEncryptFile>(*this, JobInput{sOutputPath, sPassword, sDllPath, fs::ProgramPath()});
    ::SetTimer(hwnd(), kProgressTimer, 1000, nullptr);
    try {
        thrExtract->Start();
    } catch (...) {
        // No job runs: closing the window ends the program without a question.
        ::KillTimer(hwnd(), kProgressTimer);
        thrExtract.reset();
        throw;
    }
}

// --- Progress ---

void TfrmMain::TimerProcessTimer()
{
    TickInput in;
    in.totalSize = g_nTotalSize;
    in.currentSize = g_nCurrentSize;
    in.cancel = g_bCancel != 0;
    in.extractPhase = g_bExtractPhase != 0;
    in.holdProgress = g_bHoldProgress != 0;
    in.stagedExtract = g_bStagedExtract != 0;
    in.placing = g_bPlacing != 0;
    in.fileCount = g_nFileCount;
    in.placedCount = g_nPlacedCount;
    ticks_.timeUsed = nTimeUsed;
    ticks_.extractTicks = g_nExtractTicks;
    ticks_.placeTicks = g_nPlaceTicks;

    const TickResult tick = ProgressTick(in, ticks_);
    nTimeUsed = ticks_.timeUsed;
    g_nExtractTicks = ticks_.extractTicks;
    g_nPlaceTicks = ticks_.placeTicks;
    if (tick.stopTimer) {
        ::KillTimer(hwnd(), kProgressTimer);
        return;
    }
    SetLabel(lblTime_Used, FormatElapsed(nTimeUsed));
    if (tick.speed)
        SetLabel(lblSpeed, FormatSize(*tick.speed) + L"/s");
    if (tick.remaining)
        SetLabel(lblTime_Left, FormatElapsed(static_cast<int32_t>(*tick.remaining)));
    if (tick.percent) {
        ::SendMessageW(pbTotal, PBM_SETPOS, static_cast<WPARAM>(*tick.percent), 0);
        SetLabel(lblPercent, std::to_wstring(*tick.percent) + L"%");
    }
    ::UpdateWindow(hwnd());
}

void TfrmMain::ShowTotalSize()
{
    SetLabel(lblTotalSize, FormatSize(g_nTotalSize));
}

void TfrmMain::btnPauseClick()
{
    if (!thrExtract)
        return;
    if (!JobPaused()) {
        PauseJob(true);
        win32::SetText(btnPause, LangText(L"02000C13"));
        ::KillTimer(hwnd(), kProgressTimer);
    } else {
        PauseJob(false);
        win32::SetText(btnPause, LangText(L"02000C12"));
        ::SetTimer(hwnd(), kProgressTimer, 1000, nullptr);
    }
}

// --- Background mode ---

void TfrmMain::btnHideClick()
{
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = hwnd();
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = WM_TRAY_ICON;
    icon.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON");
    lstrcpynW(icon.szTip, DefaultApplicationTitle().c_str(), ARRAYSIZE(icon.szTip));
    trayShown_ = SYSTEM_FUNCTION(L"shell32.dll", Shell_NotifyIconW)(NIM_ADD, &icon) != FALSE;
    ::ShowWindow(hwnd(), SW_MINIMIZE);
    ::ShowWindow(hwnd(), SW_HIDE);
}

void TfrmMain::RemoveTrayIcon()
{
    if (!trayShown_)
        return;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = hwnd();
    icon.uID = 1;
    SYSTEM_FUNCTION(L"shell32.dll", Shell_NotifyIconW)(NIM_DELETE, &icon);
    trayShown_ = false;
}

void TfrmMain::TrayIcon1Click()
{
    RemoveTrayIcon();
    ::ShowWindow(hwnd(), SW_RESTORE);
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetForegroundWindow(hwnd());
}

// --- The worker's questions ---

// A cancelled job asks nothing more: its questions are answered as cancelled.
OverwriteChoice TfrmMain::AskOverwrite(const std::wstring& existing, const std::wstring& staged)
{
    if (g_bCancel.load())
        return ovCancel;
    TfrmOverWrite dialog(hwnd());
    dialog.sExistsFile = existing;
    dialog.sNewFile = staged;
    frmOverWrite_ = &dialog;
    const OverwriteChoice answer = Modal([&] { return dialog.Execute(); });
    frmOverWrite_ = nullptr;
    return answer;
}

bool TfrmMain::AskPassword(std::wstring& password)
{
    if (g_bCancel.load() || !Modal([&] { return frmPassword->Execute(hwnd()); }))
        return false;
    password = frmPassword->PasswordText();
    return true;
}

void TfrmMain::RequestClose()
{
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

// --- The end ---

// The report may arrive while a question of ours is open (the close question, say): it is handled
// there and then, and the close it asks for waits until the question is answered.
void TfrmMain::OnExtractDone(WPARAM wParam, LPARAM lParam)
{
    if (!thrExtract)
        return; // a close that waited for the worker has dealt with its end already
    ::KillTimer(hwnd(), kProgressTimer);
    ::Sleep(1000);
    if (wParam == 0) {
        if (lParam == kJobNoTargetFolder.lParam)
            Ask(CannotCreateMessage(LangText(L"02000603"), sOutputPath), MB_OK | MB_ICONWARNING);
        else if (lParam == kJobWrongPassword.lParam)
            Ask(LangText(L"02000B10"), MB_OK | MB_ICONWARNING);
        else if (lParam == kJobFailed.lParam)
            Ask(LangText(L"02000C40") + L"\r\n\r\n" + g_sJobError, MB_OK | MB_ICONWARNING);
    }
    thrExtract.reset();
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

// Answers whether the window may close now.
bool TfrmMain::FormCloseQuery()
{
    if (modalDepth_ > 0 && frmOverWrite_ && !closeAsked_) {
        // The overwrite question is open: the close is asked about now, and a yes answers that
        // question Cancel, so that the job can end.
        closeAsked_ = true;
        const bool confirmed = ConfirmCancel();
        closeAsked_ = false;
        if (confirmed && frmOverWrite_) {
            CancelJob();
            frmOverWrite_->Answer(ovCancel);
        }
        return false;
    }
    if (modalDepth_ > 0) {
        closePending_ = true; // once the open question is answered
        return false;
    }
    if (!thrExtract) {
        fs::DeleteFolderTree(g_sWorkDir);
        return true;
    }
    if (!ConfirmCancel())
        return false;
    // The job may have ended while the question was open.
    if (!thrExtract || thrExtract->Finished())
        return false; // its report is handled, or on the way, and closes the window
    CancelJob();
    if (g_bExtractPhase.load()) {
        // The worker stops at its next look and reports; that report closes the window.
        fs::DeleteFolderTree(g_sWorkDir);
        return false;
    }
    // Still staging or checking: the worker lets go of its files at its next look, however long
    // its current step takes. The window is gone for the user meanwhile.
    RemoveTrayIcon();
    ::ShowWindow(hwnd(), SW_HIDE);
    thrExtract->WaitWhileServingCalls();
    thrExtract.reset();
    fs::DeleteFolderTree(g_sWorkDir);
    return true;
}

bool TfrmMain::ConfirmCancel()
{
    return Ask(LangText(L"02000C30"), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

int TfrmMain::Ask(const std::wstring& text, UINT flags)
{
    return Modal([&] { return win32::ShowMessage(hwnd(), text, flags); });
}

void TfrmMain::ModalEnded()
{
    if (modalDepth_ == 0 && closePending_) {
        closePending_ = false;
        ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
    }
}

void TfrmMain::OnError(const std::wstring& message)
{
    Ask(message, MB_OK | MB_ICONERROR);
}

LRESULT TfrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (win32::HandleWindowCall(message, lParam, result))
        return result;
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && !shown_) {
            shown_ = true;
            FormShow(); // an error ends it and shows in the error box: the window stays closable
        }
        break;
    case WM_TIMER:
        if (wParam == kStartTimer)
            Timer1Timer();
        else if (wParam == kProgressTimer)
            TimerProcessTimer();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdHide:
            btnHideClick();
            return 0;
        case IdPause:
            btnPauseClick();
            return 0;
        case IdCancel:
            ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_TRAY_ICON:
        if (lParam == WM_LBUTTONUP)
            TrayIcon1Click();
        return 0;
    case WM_EXTRACT_DONE:
        OnExtractDone(wParam, lParam);
        return 0;
    case WM_CLOSE:
        if (FormCloseQuery())
            ::DestroyWindow(hwnd());
        return 0;
    case WM_DESTROY:
        RemoveTrayIcon();
        ::PostQuitMessage(0);
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}
