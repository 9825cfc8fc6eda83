#include "ui/FolderDialog.h"

#include "fs/FileOps.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "ui/WindowClasses.h"
#include "ui/WindowLayouts.h"
#include "ui/WindowTexts.h"
#include "win32/Handles.h"
#include "win32/SystemLibrary.h"
#include "win32/Text.h"

#include <shlobj.h>

namespace key = lang::key;

namespace ui {

namespace {

enum { IdOK = 100, IdCancel, IdEdit, IdBrowse };

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data)
{
    if (message != BFFM_INITIALIZED || data == 0)
        return 0;
    HWND host = ::FindWindowExW(dialog, nullptr, L"SHBrowseForFolder ShellNameSpace Control", nullptr);
    HWND tree = ::FindWindowExW(host ? host : dialog, nullptr, L"SysTreeView32", nullptr);
    if (tree)
        ::PostMessageW(tree, WM_SETFOCUS, 0, 0);
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

} // namespace

bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& path)
{
    if (!fs::FolderExists(path))
        path.clear();
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = 0x1041; // BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_BROWSEFORCOMPUTER
    info.lpfn = BrowseCallback;
    info.lParam = path.empty() ? 0 : reinterpret_cast<LPARAM>(path.c_str());
    PIDLIST_ABSOLUTE chosen = SYSTEM_FUNCTION(L"shell32.dll", SHBrowseForFolderW)(&info);
    const win32::CoTaskMemory owned(chosen);
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool found = chosen && SYSTEM_FUNCTION(L"shell32.dll", SHGetPathFromIDListW)(chosen, buffer) && buffer[0];
    path = found ? buffer : L"";
    return found;
}

FolderDialog::FolderDialog(HWND owner) : owner_(owner)
{
    namespace at = layout::folder;
    Create(window_class::kFolder, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_DLGMODALFRAME,
           at::kClient.cx, at::kClient.cy, owner);
    // Created in tab order.
    okButton_ = AddButton(IdOK, L"OK", at::kOk);
    cancelButton_ = AddButton(IdCancel, L"Cancel", at::kCancel);
    // Each label just before its field: a screen reader names the field by it.
    folderLabel_ = AddLabel(L"E&xtract to:", at::kLabel);
    folderEdit_ = AddEdit(IdEdit, at::kEdit);
    browseButton_ = AddButton(IdBrowse, L"...", at::kBrowse);
}

void FolderDialog::SetTexts()
{
    ApplyTexts({{hwnd(), key::kExtractTitle}, {folderLabel_, key::kExtractTo}, {okButton_, key::kOk}, {cancelButton_, key::kCancel}});
    FitLabel(folderLabel_);
    Arrange();
}

void FolderDialog::Arrange()
{
    FitToTexts(Dpi(), {okButton_, cancelButton_});
}

bool FolderDialog::Execute()
{
    SetTexts();
    confirmed_ = false;
    win32::SetText(folderEdit_, fs::ProgramFolder());
    ::SetFocus(okButton_);
    ShowModal(owner_);
    return confirmed_;
}

void FolderDialog::OnBrowse()
{
    std::wstring path = win32::GetText(folderEdit_);
    if (BrowseForFolder(hwnd(), lang::LangText(key::kSelectFolder), path) && !path.empty()) {
        if (path.back() != L'\\')
            path += L'\\';
        win32::SetText(folderEdit_, path);
    }
}

LRESULT FolderDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdOK:
            confirmed_ = true;
            EndModal();
            return 0;
        case IdCancel:
            EndModal();
            return 0;
        case IdBrowse:
            OnBrowse();
            return 0;
        }
        break;
    }
    return Window::OnMessage(message, wParam, lParam);
}

} // namespace ui
