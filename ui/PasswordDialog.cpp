#include "ui/PasswordDialog.h"

#include "fs/Paths.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "ui/WindowClasses.h"
#include "ui/WindowLayouts.h"
#include "ui/WindowTexts.h"
#include "win32/MessageBox.h"
#include "win32/Text.h"

namespace key = lang::key;

namespace ui {

namespace {

enum { IdEdit = 100, IdOK, IdCancel, IdShow };

} // namespace

bool IsBlank(const std::wstring& text)
{
    return fs::TrimBlanks(text).empty();
}

PasswordDialog::PasswordDialog(HWND owner)
{
    namespace at = layout::password;
    Create(window_class::kPassword, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, at::kClient.cx,
           at::kClient.cy, owner);
    // The label just before its field: a screen reader names the field by it.
    passwordLabel_ = AddLabel(L"Enter password:", at::kLabel);
    passwordEdit_ = AddEdit(IdEdit, at::kEdit, ES_PASSWORD);
    ::SendMessageW(passwordEdit_, EM_SETPASSWORDCHAR, L'*', 0);
    okButton_ = AddButton(IdOK, L"OK", at::kOk);
    cancelButton_ = AddButton(IdCancel, L"Cancel", at::kCancel);
    showPassword_ = AddCheckBox(IdShow, L"&Show password", at::kShow);
}

void PasswordDialog::SetTexts()
{
    ApplyTexts({
        {hwnd(), key::kPasswordTitle}, {passwordLabel_, key::kEnterPassword}, {okButton_, key::kOk}, {cancelButton_, key::kCancel},
        {showPassword_, key::kShowPassword},
    });
    FitLabel(passwordLabel_);
    Arrange();
}

void PasswordDialog::Arrange()
{
    FitToTexts(Dpi(), {okButton_, cancelButton_}, {showPassword_});
}

bool PasswordDialog::Execute(HWND owner)
{
    SetTexts();
    confirmed_ = false;
    ::SetFocus(passwordEdit_);
    ShowModal(owner);
    return confirmed_;
}

std::wstring PasswordDialog::TakePassword()
{
    std::wstring password = win32::GetText(passwordEdit_);
    // Written over in place first: an edit box keeps its buffer when its text only gets shorter.
    std::wstring blank(password.size(), L' ');
    win32::SetText(passwordEdit_, blank);
    win32::SetText(passwordEdit_, L"");
    ::SendMessageW(passwordEdit_, EM_EMPTYUNDOBUFFER, 0, 0);
    return password;
}

void PasswordDialog::OnOk()
{
    if (IsBlank(win32::GetText(passwordEdit_))) {
        win32::ShowMessage(hwnd(), lang::LangText(key::kPasswordTitle), MB_OK | MB_ICONINFORMATION);
        return;
    }
    confirmed_ = true;
    EndModal();
}

void PasswordDialog::OnShowPassword()
{
    const bool show = ::SendMessageW(showPassword_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SendMessageW(passwordEdit_, EM_SETPASSWORDCHAR, show ? 0 : L'*', 0);
    ::InvalidateRect(passwordEdit_, nullptr, TRUE);
}

LRESULT PasswordDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdOK:
            OnOk();
            return 0;
        case IdCancel:
            EndModal();
            return 0;
        case IdShow:
            OnShowPassword();
            return 0;
        }
        break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

} // namespace ui
