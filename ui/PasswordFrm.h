// The password dialog. Created once; keeps its text and check box between showings.
#pragma once

#include "win32/Window.h"

#include <string>

class TfrmPassword : public win32::Window {
public:
    explicit TfrmPassword(HWND owner);

    // Shows the dialog; true when it was left with OK and a password that is not blank.
    bool Execute(HWND owner);
    // The password as typed.
    std::wstring PasswordText() const { return win32::GetText(edPassword); }

    bool bConfirmed = false;

    // The texts from the language file, each control as wide as its text needs.
    void SetTexts();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Arrange() override;
    void btnOKClick();
    void chkDisplayPasswordClick();

    HWND lblPassword = nullptr, edPassword = nullptr, btnOK = nullptr, btnCancel = nullptr,
         chkDisplayPassword = nullptr;
};

// Whether a text is blank: nothing but characters up to and including the space.
bool IsBlank(const std::wstring& text);
