// The output-folder dialog: where the package's files go.
#pragma once

#include "ui/WindowTexts.h"
#include "win32/Window.h"
#include "win32/Text.h"

#include <string>

namespace ui {

class FolderDialog : public win32::Window {
public:
    explicit FolderDialog(HWND owner);

    // Shows the dialog on the program's own folder; true when it was left with OK.
    bool Execute();
    // The folder as typed.
    std::wstring OutputText() const { return win32::GetText(folderEdit_); }

    // The texts from the language file, each control as wide as its text needs.
    void SetTexts();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Arrange() override;
    void OnError(std::exception_ptr error) override { ShowErrorBox(hwnd(), error); }
    void OnBrowse();

    bool confirmed_ = false; // left with OK
    HWND owner_;
    HWND folderLabel_ = nullptr, folderEdit_ = nullptr, browseButton_ = nullptr, okButton_ = nullptr, cancelButton_ = nullptr;
};

// The shell's folder picker. path preselects a folder (when it exists) and receives the choice.
bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& path);

} // namespace ui
