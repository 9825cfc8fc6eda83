#include "ui/ProgressWindow.h"

#include "fs/FileOps.h"
#include "lang/Format.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "ui/WindowClasses.h"
#include "ui/WindowLayouts.h"
#include "ui/WindowTexts.h"
#include "win32/MessageBox.h"
#include "win32/SystemLibrary.h"
#include "win32/Text.h"
#include "win32/WindowCall.h"

#include <commctrl.h>
#include <shellapi.h>

namespace key = lang::key;

namespace ui {

namespace {

enum { IdHide = 100, IdPause, IdCancel };
enum { kStartTimer = 1, kProgressTimer = 2, kEndPauseTimer = 3 };
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

ProgressWindow::ProgressWindow()
{
    namespace at = layout::progress;
    Create(window_class::kProgress, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_APPWINDOW,
           at::kClient.cx, at::kClient.cy, nullptr);
    backgroundButton_ = AddButton(IdHide, L"&Background", at::kBackground);
    pauseButton_ = AddButton(IdPause, L"&Pause", at::kPause);
    cancelButton_ = AddButton(IdCancel, L"Cancel", at::kCancel);
    statsFrame_ = AddGroupBox(at::kFrame);
    // The status line just before the bar: a screen reader names the bar by it.
    status_ = AddLabel(L"00:00:00", at::kStatus, SS_NOPREFIX);
    progressBar_ = AddControl(PROGRESS_CLASSW, L"", 0, at::kBar);
    ::SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
    percentLabel_ = AddLabel(L"100%", at::kPercent, SS_RIGHT);
    totalSizeCaption_ = AddLabel(L"Total size:", at::kTotalSizeTip);
    totalSize_ = AddLabel(L"00:00:00", at::kTotalSize);
    doneSizeCaption_ = AddLabel(L"Processed:", at::kProcessedTip);
    doneSize_ = AddLabel(L"00:00:00", at::kProcessed);
    ::ShowWindow(doneSizeCaption_, SW_HIDE);
    ::ShowWindow(doneSize_, SW_HIDE);
    elapsedCaption_ = AddLabel(L"Elapsed time:", at::kElapsedTip);
    elapsed_ = AddLabel(L"00:00:00", at::kElapsed);
    speedCaption_ = AddLabel(L"Speed:", at::kSpeedTip);
    speed_ = AddLabel(L"00:00:00", at::kSpeed);
    remainingCaption_ = AddLabel(L"Remaining time:", at::kRemainingTip);
    remaining_ = AddLabel(L"00:00:00", at::kRemaining);
    win32::SetText(hwnd(), L"Extract");
    win32::SetApplicationTitle(DefaultApplicationTitle());
}

ProgressWindow::~ProgressWindow()
{
    RemoveTrayIcon();
}

void ProgressWindow::SetLabel(HWND label, const std::wstring& text)
{
    win32::SetText(label, text);
    if (label != percentLabel_)
        FitLabel(label);
}

// --- The states the run sequence asks for ---

void ProgressWindow::SetTexts()
{
    win32::SetApplicationTitle(lang::LangText(key::kApplicationTitle));
    ApplyTexts({
        {hwnd(), key::kExtractTitle},
        {backgroundButton_, key::kBackground},         {pauseButton_, key::kPause},          {cancelButton_, key::kCancel},
        {totalSizeCaption_, key::kTotalSize}, {doneSizeCaption_, key::kProcessed}, {speedCaption_, key::kSpeed},
        {elapsedCaption_, key::kElapsedTime}, {remainingCaption_, key::kRemainingTime},
    });
    Arrange();
}

void ProgressWindow::Arrange()
{
    FitToTexts(Dpi(), {backgroundButton_, pauseButton_, cancelButton_});
    const std::pair<HWND, HWND> tips[] = {{totalSizeCaption_, totalSize_}, {speedCaption_, speed_},
                                          {elapsedCaption_, elapsed_}, {remainingCaption_, remaining_}};
    for (const auto& [tip, value] : tips)
        FitTipBeside(tip, value, Dpi());
}

void ProgressWindow::WaitUnseen()
{
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), 0, 0, LWA_ALPHA);
    ticks_ = {};
    ::SetTimer(hwnd(), kStartTimer, 50, nullptr);
}

void ProgressWindow::ShowJobStarted(job::JobProgress& progress)
{
    progress_ = &progress;
    ticks_ = {};
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & ~WS_EX_LAYERED);
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    SetLabel(percentLabel_, L"0%");
    SetLabel(speed_, L"");
    SetLabel(status_, lang::LangText(key::kExtractingFiles));
    percent_ = 0;
    ShowOnTaskbar(TaskbarState::Normal);
}

void ProgressWindow::StartProgressTimer()
{
    ::SetTimer(hwnd(), kProgressTimer, 1000, nullptr);
}

void ProgressWindow::StopProgressTimer()
{
    ::KillTimer(hwnd(), kProgressTimer);
}

void ProgressWindow::HideForGood()
{
    RemoveTrayIcon();
    ShowOnTaskbar(TaskbarState::None);
    ::ShowWindow(hwnd(), SW_HIDE);
}

void ProgressWindow::ShowJobEnded(bool withWarning)
{
    ShowOnTaskbar(withWarning ? TaskbarState::Error : TaskbarState::None);
}

void ProgressWindow::Close()
{
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

// --- The handlers the run sequence answers ---

void ProgressWindow::OnFirstShow()
{
    if (events_)
        events_->FirstShown();
}

void ProgressWindow::OnStartTimer()
{
    ::KillTimer(hwnd(), kStartTimer);
    if (events_)
        events_->StartTimerFired();
}

void ProgressWindow::PauseBeforeTheEnd(UINT milliseconds)
{
    ::SetTimer(hwnd(), kEndPauseTimer, milliseconds, nullptr);
}

void ProgressWindow::OnEndPauseOver()
{
    ::KillTimer(hwnd(), kEndPauseTimer);
    if (events_)
        events_->EndPauseOver();
}

void ProgressWindow::OnExtractDone(WPARAM wParam, LPARAM lParam)
{
    if (events_)
        events_->ExtractDone(job::OutcomeOf(wParam, lParam));
}

bool ProgressWindow::MayClose()
{
    return !events_ || events_->CloseQuery();
}

void ProgressWindow::OnError(std::exception_ptr error)
{
    if (events_)
        events_->ErrorRaised(error);
    else
        ShowErrorBox(hwnd(), error);
}

// --- Progress ---

void ProgressWindow::OnProgressTick()
{
    if (!progress_)
        return;
    const TickResult tick = ProgressTick(progress_->Snapshot(), ticks_);
    if (tick.stopTimer) {
        StopProgressTimer();
        return;
    }
    SetLabel(elapsed_, lang::FormatElapsed(ticks_.timeUsed));
    if (tick.speed)
        SetLabel(speed_, lang::FormatSize(*tick.speed) + L"/s");
    if (tick.remaining)
        SetLabel(remaining_, lang::FormatElapsed(static_cast<int32_t>(*tick.remaining)));
    if (tick.percent) {
        ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(*tick.percent), 0);
        SetLabel(percentLabel_, std::to_wstring(*tick.percent) + L"%");
        percent_ = static_cast<int>(*tick.percent);
        ShowOnTaskbar(taskbarState_);
    }
    ::UpdateWindow(hwnd());
}

void ProgressWindow::ShowOnTaskbar(TaskbarState state)
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

void ProgressWindow::ShowTotalSize(int64_t totalSize)
{
    SetLabel(totalSize_, lang::FormatSize(totalSize));
}

void ProgressWindow::OnPause()
{
    if (!events_ || !events_->JobRunning() || !progress_)
        return;
    if (!progress_->Paused()) {
        progress_->Pause(true);
        win32::SetText(pauseButton_, lang::LangText(key::kContinue));
        FitToTexts(Dpi(), {pauseButton_});
        StopProgressTimer();
        ShowOnTaskbar(TaskbarState::Paused);
    } else {
        progress_->Pause(false);
        win32::SetText(pauseButton_, lang::LangText(key::kPause));
        StartProgressTimer();
        ShowOnTaskbar(TaskbarState::Normal);
    }
}

// --- Background mode ---

void ProgressWindow::OnBackground()
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

void ProgressWindow::RemoveTrayIcon()
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

void ProgressWindow::OnTrayIcon()
{
    RemoveTrayIcon();
    ::ShowWindow(hwnd(), SW_RESTORE);
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetForegroundWindow(hwnd());
    ShowOnTaskbar(taskbarState_); // the button is new
}

LRESULT ProgressWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (win32::HandleWindowCall(message, lParam, result))
        return result;
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && !shown_) {
            shown_ = true;
            OnFirstShow(); // an error ends it and shows in the error box: the window stays closable
        }
        break;
    case WM_TIMER:
        if (wParam == kStartTimer)
            OnStartTimer();
        else if (wParam == kProgressTimer)
            OnProgressTick();
        else if (wParam == kEndPauseTimer)
            OnEndPauseOver();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdHide:
            OnBackground();
            return 0;
        case IdPause:
            OnPause();
            return 0;
        case IdCancel:
            Close();
            return 0;
        }
        break;
    case WM_TRAY_ICON:
        if (lParam == WM_LBUTTONUP)
            OnTrayIcon();
        return 0;
    case job::WM_EXTRACT_DONE:
        OnExtractDone(wParam, lParam);
        return 0;
    case WM_CLOSE:
        if (MayClose())
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

} // namespace ui
