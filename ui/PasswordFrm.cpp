#include "ui/PasswordFrm.h"

#include "fs/Paths.h"
#include "lang/Language.h"
#include "ui/WindowTexts.h"

namespace {

enum { IdEdit = 100, IdOK, IdCancel, IdShow };

} // namespace

bool IsBlank(const std::wstring& text)
{
    return fs::TrimBlanks(text).empty();
}

TfrmPassword::TfrmPassword(HWND owner)
{
    Create(L"TfrmPassword", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 284, 142, owner);
    edPassword = AddEdit(IdEdit, 24, 37, 236, 21, ES_PASSWORD);
    ::SendMessageW(edPassword, EM_SETPASSWORDCHAR, L'*', 0);
    btnOK = AddButton(IdOK, L"OK", 48, 101, 75, 25);
    btnCancel = AddButton(IdCancel, L"Cancel", 168, 101, 75, 25);
    chkDisplayPassword = AddCheckBox(IdShow, L"&Show password", 24, 68, 169, 17);
    lblPassword = AddLabel(L"Enter password:", 24, 13);
}

void TfrmPassword::SetTexts()
{
    ApplyTexts({
        {hwnd(), L"02000B00"}, {lblPassword, L"02000B01"}, {btnOK, L"02000702"}, {btnCancel, L"02000710"},
        {chkDisplayPassword, L"02000B02"},
    });
    FitLabel(lblPassword);
    Arrange();
}

void TfrmPassword::Arrange()
{
    FitToTexts(Dpi(), {btnOK, btnCancel}, {chkDisplayPassword});
}

bool TfrmPassword::Execute(HWND owner)
{
    SetTexts();
    bConfirmed = false;
    ::SetFocus(edPassword);
    ShowModal(owner);
    return bConfirmed;
}

void TfrmPassword::btnOKClick()
{
    if (IsBlank(win32::GetText(edPassword))) {
        win32::ShowMessage(hwnd(), LangText(L"02000B00"), MB_OK | MB_ICONINFORMATION);
        return;
    }
    bConfirmed = true;
    EndModal();
}

void TfrmPassword::chkDisplayPasswordClick()
{
    const bool show = ::SendMessageW(chkDisplayPassword, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SendMessageW(edPassword, EM_SETPASSWORDCHAR, show ? 0 : L'*', 0);
    ::InvalidateRect(edPassword, nullptr, TRUE);
}

LRESULT TfrmPassword::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdOK:
            btnOKClick();
            return 0;
        case IdCancel:
            EndModal();
            return 0;
        case IdShow:
            chkDisplayPasswordClick();
            return 0;
        }
        break;
    }
    return Window::OnMessage(message, wParam, lParam);
}
