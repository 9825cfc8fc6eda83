#include "ui/MainFrm.h"

#include "fs/FileOps.h"
#include "lang/Language.h"
#include "ui/Format.h"
#include "ui/WindowTexts.h"
#include "win32/WindowCall.h"
#include "win32/SystemLibrary.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

enum { IdHide = 100, IdPause, IdCancel };
enum { kStartTimer = 1, kProgressTimer = 2 };
constexpr UINT WM_TRAY_ICON = WM_APP + 1;

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

void TfrmMain::SetLabel(HWND label, const std::wstring& text)
{
    win32::SetText(label, text);
    if (label != lblPercent)
        FitLabel(label);
}

// --- The states the run sequence asks for ---

void TfrmMain::SetTexts()
{
    win32::SetApplicationTitle(LangText(L"01000000"));
    ApplyTexts({
        {hwnd(), L"02000800"},
        {btnHide, L"02000C10"},         {btnPause, L"02000C12"},          {btnCancel, L"02000710"},
        {lblTotalSize_Tip, L"02000C03"}, {lblCurrentSize_Tip, L"02000C05"}, {lblSpeed_Tip, L"02000C04"},
        {lblTime_Used_Tip, L"02000C01"}, {lblTime_Left_Tip, L"02000C02"},
    });
    Arrange();
}

void TfrmMain::Arrange()
{
    FitToTexts(Dpi(), {btnHide, btnPause, btnCancel});
    const std::pair<HWND, HWND> tips[] = {{lblTotalSize_Tip, lblTotalSize}, {lblSpeed_Tip, lblSpeed},
                                          {lblTime_Used_Tip, lblTime_Used}, {lblTime_Left_Tip, lblTime_Left}};
    for (const auto& [tip, value] : tips)
        FitTipBeside(tip, value, Dpi());
}

void TfrmMain::WaitUnseen()
{
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), 0, 0, LWA_ALPHA);
    nTimeUsed = 0;
    ::SetTimer(hwnd(), kStartTimer, 50, nullptr);
}

void TfrmMain::ShowJobStarted()
{
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & ~WS_EX_LAYERED);
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    SetLabel(lblPercent, L"0%");
    SetLabel(lblSpeed, L"");
    SetLabel(lblFileName, LangText(L"02000105"));
    percent_ = 0;
    ShowOnTaskbar(TaskbarState::Normal);
}

void TfrmMain::StartProgressTimer()
{
    ::SetTimer(hwnd(), kProgressTimer, 1000, nullptr);
}

void TfrmMain::StopProgressTimer()
{
    ::KillTimer(hwnd(), kProgressTimer);
}

void TfrmMain::HideForGood()
{
    RemoveTrayIcon();
    ShowOnTaskbar(TaskbarState::None);
    ::ShowWindow(hwnd(), SW_HIDE);
}

void TfrmMain::ShowJobEnded(bool withWarning)
{
    ShowOnTaskbar(withWarning ? TaskbarState::Error : TaskbarState::None);
}

void TfrmMain::Close()
{
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

// --- The handlers the run sequence answers ---

void TfrmMain::FormShow()
{
    if (events_)
        events_->FirstShown();
}

void TfrmMain::Timer1Timer()
{
    ::KillTimer(hwnd(), kStartTimer);
    if (events_)
        events_->StartTimerFired();
}

void TfrmMain::OnExtractDone(WPARAM wParam, LPARAM lParam)
{
    if (events_)
        events_->ExtractDone(JobEnd{wParam, lParam});
}

bool TfrmMain::FormCloseQuery()
{
    return !events_ || events_->CloseQuery();
}

void TfrmMain::OnError(const std::wstring& message)
{
    if (events_)
        events_->ErrorRaised(message);
    else
        Window::OnError(message);
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
        StopProgressTimer();
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
        percent_ = static_cast<int>(*tick.percent);
        ShowOnTaskbar(taskbarState_);
    }
    ::UpdateWindow(hwnd());
}

void TfrmMain::ShowOnTaskbar(TaskbarState state)
{
    taskbarState_ = state;
    const TaskbarState shown = trayShown_ ? TaskbarState::None : state;
    const int percent = shown == TaskbarState::None ? 0 : percent_;
    if (shown == shownState_ && percent == shownPercent_)
        return;
    shownState_ = shown;
    shownPercent_ = percent;
    if (taskbar_)
        taskbar_->Show(hwnd(), shown, percent);
}

void TfrmMain::ShowTotalSize(int64_t totalSize)
{
    SetLabel(lblTotalSize, FormatSize(totalSize));
}

void TfrmMain::btnPauseClick()
{
    if (!events_ || !events_->JobRunning())
        return;
    if (!JobPaused()) {
        PauseJob(true);
        win32::SetText(btnPause, LangText(L"02000C13"));
        FitToTexts(Dpi(), {btnPause});
        StopProgressTimer();
        ShowOnTaskbar(TaskbarState::Paused);
    } else {
        PauseJob(false);
        win32::SetText(btnPause, LangText(L"02000C12"));
        StartProgressTimer();
        ShowOnTaskbar(TaskbarState::Normal);
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
    // The notification area is drawn at the system's DPI.
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    trayIcon_.reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0)));
    icon.hIcon = trayIcon_.get();
    lstrcpynW(icon.szTip, DefaultApplicationTitle().c_str(), ARRAYSIZE(icon.szTip));
    trayShown_ = SYSTEM_FUNCTION(L"shell32.dll", Shell_NotifyIconW)(NIM_ADD, &icon) != FALSE;
    ShowOnTaskbar(taskbarState_);
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
    ShowOnTaskbar(taskbarState_); // the button is new
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
            Close();
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
        ShowOnTaskbar(TaskbarState::None);
        ::PostQuitMessage(0);
        return 0;
    }
    return Window::OnMessage(message, wParam, lParam);
}
