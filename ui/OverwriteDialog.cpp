#include "ui/OverwriteDialog.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "ui/WindowClasses.h"
#include "ui/WindowTexts.h"
#include "win32/Dpi.h"
#include "win32/SystemLibrary.h"
#include "win32/Text.h"

#include <shellapi.h>
#include <shlobj.h>

// The window's class name, as an older form of this program named it: other programs may find the
// window by it.
constexpr const wchar_t* kWindowClass = window_class::kOverwrite;

namespace {

// Button ids are the answers they give, offset.
constexpr int kAnswerId = 100;

// The control id of an answer's button.
int AnswerId(OverwriteAnswer answer)
{
    return kAnswerId + static_cast<int>(answer);
}

} // namespace

LocalDateTime GetFileModified(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(fs::LongPathForm(path).c_str(), &entry));
    if (!find)
        return kDateTimeZero;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!::FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
        return kDateTimeZero;
    return FromDosDateTime(date, time);
}

win32::IconHandle FileIcon(const std::wstring& path, int size)
{
    // The icon the shell shows for the file, taken from where it lives at the size wanted; where
    // the shell cannot say where (an icon handler), its large icon.
    SHFILEINFOW info{};
    HICON icon = nullptr;
    if (SYSTEM_FUNCTION(L"shell32.dll", SHGetFileInfoW)(path.c_str(), 0, &info, sizeof info, SHGFI_ICONLOCATION) &&
        info.szDisplayName[0] &&
        SYSTEM_FUNCTION(L"shell32.dll", SHDefExtractIconW)(info.szDisplayName, info.iIcon, 0, &icon, nullptr,
                                                           static_cast<UINT>(size)) == S_OK && icon)
        return win32::IconHandle(icon);
    info = {};
    if (SYSTEM_FUNCTION(L"shell32.dll", SHGetFileInfoW)(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON))
        return win32::IconHandle(info.hIcon);
    return {};
}

std::wstring SizeLine(uint64_t size, const std::wstring& bytesTemplate)
{
    const bool placeholder = bytesTemplate.find(L"{0}") != std::wstring::npos;
    return std::to_wstring(size) + L" " + (placeholder ? WithoutPlaceholders(bytesTemplate) : bytesTemplate);
}

OverwriteDialog::OverwriteDialog(HWND owner) : owner_(owner)
{
    Create(kWindowClass, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 402, 272, owner, true);
    yesButton_ = AddButton(AnswerId(OverwriteAnswer::Yes), L"&Yes", 23, 213, 90, 25);
    yesAllButton_ = AddButton(AnswerId(OverwriteAnswer::YesAll), L"Yes to &All", 155, 213, 90, 25);
    renameButton_ = AddButton(AnswerId(OverwriteAnswer::Rename), L"A&uto Rename", 287, 213, 90, 25);
    noButton_ = AddButton(AnswerId(OverwriteAnswer::No), L"&No", 23, 242, 90, 25);
    noAllButton_ = AddButton(AnswerId(OverwriteAnswer::NoAll), L"No to A&ll", 155, 242, 90, 25);
    cancelButton_ = AddButton(AnswerId(OverwriteAnswer::Cancel), L"Cancel", 287, 242, 90, 25);
    AddGroupBox(8, 9, 386, 198);
    // Inside the frame, which starts at (8, 9).
    const int x = 8, y = 9;
    questionLabel_ = AddLabel(L"", x + 13, y + 9);
    pathLabel_ = AddLabel(L"", x + 38, y + 28, 0, 0, SS_NOPREFIX | SS_PATHELLIPSIS);
    replaceLabel_ = AddLabel(L"", x + 13, y + 56);
    existingIcon_ = AddControl(L"STATIC", L"", SS_ICON, x + 40, y + 82, 32, 32);
    existingSize_ = AddLabel(L"", x + 93, y + 82);
    existingTime_ = AddLabel(L"", x + 93, y + 101);
    withLabel_ = AddLabel(L"", x + 13, y + 128);
    newIconView_ = AddControl(L"STATIC", L"", SS_ICON, x + 40, y + 154, 32, 32);
    newSize_ = AddLabel(L"", x + 93, y + 154);
    newTime_ = AddLabel(L"", x + 93, y + 173);
}

void OverwriteDialog::SetTexts()
{
    ApplyTexts({
        {hwnd(), key::kConfirmReplaceTitle},    {questionLabel_, key::kFolderHoldsFile},    {replaceLabel_, key::kReplaceExistingFile}, {withLabel_, key::kWithThisOne},
        {yesButton_, key::kYes},    {yesAllButton_, key::kYesToAll}, {renameButton_, key::kAutoRename}, {noButton_, key::kNo},
        {noAllButton_, key::kNoToAll}, {cancelButton_, key::kCancel},
    });
    for (HWND label : {questionLabel_, replaceLabel_, withLabel_})
        FitLabel(label);
    Arrange();
}

void OverwriteDialog::Arrange()
{
    FitToTexts(Dpi(), {yesButton_, yesAllButton_, renameButton_, noButton_, noAllButton_, cancelButton_});
    ShowIcon(existingFile, existingIcon_, existsIcon_);
    ShowIcon(newFile, newIconView_, newIcon_);
}

void OverwriteDialog::ShowIcon(const std::wstring& path, HWND image, win32::IconHandle& icon)
{
    if (path.empty())
        return;
    win32::IconHandle next = FileIcon(path, win32::Scale(32, Dpi()));
    if (!next)
        return;
    ::SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(next.get()), 0);
    icon = std::move(next); // the one shown before goes only now
}

void OverwriteDialog::ShowFile(const std::wstring& path, HWND sizeLabel, HWND timeLabel)
{
    win32::SetText(sizeLabel, SizeLine(fs::GetFileSizeByName(path), LangText(key::kSizeInBytes)));
    win32::SetText(timeLabel, LangText(key::kModifiedOn) + L": " + FormatDateTime(GetFileModified(path)));
    FitLabel(sizeLabel);
    FitLabel(timeLabel);
}

OverwriteAnswer OverwriteDialog::Execute()
{
    SetTexts();
    choice_ = OverwriteAnswer::Yes;
    win32::SetText(pathLabel_, existingFile);
    FitLabel(pathLabel_, 386 - 38 - 8); // a long path is shortened with "..." inside the frame
    ShowFile(existingFile, existingSize_, existingTime_);
    ShowFile(newFile, newSize_, newTime_);
    ::SetFocus(yesButton_);
    ShowModal(owner_);
    return choice_;
}

void OverwriteDialog::Answer(OverwriteAnswer answer)
{
    choice_ = answer;
    EndModal();
}

LRESULT OverwriteDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int answer = LOWORD(wParam) - kAnswerId;
        if (answer >= static_cast<int>(OverwriteAnswer::Yes) && answer <= static_cast<int>(OverwriteAnswer::Cancel)) {
            Answer(static_cast<OverwriteAnswer>(answer));
            return 0;
        }
        break;
    }
    }
    return Window::OnMessage(message, wParam, lParam);
}
