#include "ui/OverwriteDialog.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "ui/WindowClasses.h"
#include "ui/WindowLayouts.h"
#include "ui/WindowTexts.h"
#include "win32/Dpi.h"
#include "win32/SystemLibrary.h"
#include "win32/Text.h"

#include <shellapi.h>
#include <shlobj.h>

namespace key = lang::key;

namespace ui {

using job::OverwriteAnswer;

namespace {

// Button ids are the answers they give, offset.
constexpr int kAnswerId = 100;

// The control id of an answer's button.
int AnswerId(OverwriteAnswer answer)
{
    return kAnswerId + static_cast<int>(answer);
}

} // namespace

lang::LocalDateTime GetFileModified(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(fs::LongPathForm(path).c_str(), &entry));
    if (!find)
        return lang::kDateTimeZero;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!::FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
        return lang::kDateTimeZero;
    return lang::FromDosDateTime(date, time);
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
    return std::to_wstring(size) + L" " + (placeholder ? lang::WithoutPlaceholders(bytesTemplate) : bytesTemplate);
}

OverwriteDialog::OverwriteDialog(HWND owner) : owner_(owner)
{
    namespace at = layout::overwrite;
    Create(window_class::kOverwrite, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, at::kClient.cx,
           at::kClient.cy, owner, true);
    yesButton_ = AddButton(AnswerId(OverwriteAnswer::Yes), L"&Yes", at::kYes);
    yesAllButton_ = AddButton(AnswerId(OverwriteAnswer::YesAll), L"Yes to &All", at::kYesAll);
    renameButton_ = AddButton(AnswerId(OverwriteAnswer::Rename), L"A&uto Rename", at::kRename);
    noButton_ = AddButton(AnswerId(OverwriteAnswer::No), L"&No", at::kNo);
    noAllButton_ = AddButton(AnswerId(OverwriteAnswer::NoAll), L"No to A&ll", at::kNoAll);
    cancelButton_ = AddButton(AnswerId(OverwriteAnswer::Cancel), L"Cancel", at::kCancel);
    AddGroupBox(at::kFrame);
    questionLabel_ = AddLabel(L"", at::kQuestion);
    pathLabel_ = AddLabel(L"", at::kPath, SS_NOPREFIX | SS_PATHELLIPSIS);
    replaceLabel_ = AddLabel(L"", at::kReplace);
    existingIcon_ = AddControl(L"STATIC", L"", SS_ICON, at::kExistingIcon);
    existingSize_ = AddLabel(L"", at::kExistingSize);
    existingTime_ = AddLabel(L"", at::kExistingTime);
    withLabel_ = AddLabel(L"", at::kWith);
    newIconView_ = AddControl(L"STATIC", L"", SS_ICON, at::kNewIcon);
    newSize_ = AddLabel(L"", at::kNewSize);
    newTime_ = AddLabel(L"", at::kNewTime);
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
    win32::SetText(sizeLabel, SizeLine(fs::GetFileSizeByName(path), lang::LangText(key::kSizeInBytes)));
    win32::SetText(timeLabel, lang::LangText(key::kModifiedOn) + L": " + lang::FormatDateTime(GetFileModified(path)));
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

} // namespace ui
