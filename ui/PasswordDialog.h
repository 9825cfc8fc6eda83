// The password dialog. Created once; keeps its check box between showings, and its text until the
// password is taken.
#pragma once

#include "ui/WindowTexts.h"
#include "win32/Window.h"
#include "win32/Text.h"

#include <string>

namespace ui {

class PasswordDialog : public win32::Window {
public:
    explicit PasswordDialog(HWND owner);

    // Shows the dialog; true when it was left with OK and a password that is not blank.
    bool Execute(HWND owner);
    // The password as typed; the edit box is emptied, and what it held overwritten, so that the
    // caller's copy is the only one.
    std::wstring TakePassword();

    // The texts from the language file, each control as wide as its text needs.
    void SetTexts();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Arrange() override;
    void OnError(std::exception_ptr error) override { ShowErrorBox(hwnd(), error); }
    void OnOk();
    void OnShowPassword();

    bool confirmed_ = false; // left with OK
    HWND passwordLabel_ = nullptr, passwordEdit_ = nullptr, okButton_ = nullptr, cancelButton_ = nullptr,
         showPassword_ = nullptr;
};

// Whether a text is blank: nothing but characters up to and including the space.
bool IsBlank(const std::wstring& text);

} // namespace ui
