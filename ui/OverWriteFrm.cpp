#include "ui/OverWriteFrm.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "lang/Language.h"
#include "ui/WindowTexts.h"
#include "win32/Dpi.h"
#include "win32/SystemLibrary.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {

// Button ids are the answers they give, offset.
constexpr int kAnswerId = 100;

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

TfrmOverWrite::TfrmOverWrite(HWND owner) : owner_(owner)
{
    Create(L"TfrmOverWrite", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, 402, 272, owner, true);
    btnYes = AddButton(kAnswerId + ovYes, L"&Yes", 23, 213, 90, 25);
    btnYesAll = AddButton(kAnswerId + ovYesAll, L"Yes to &All", 155, 213, 90, 25);
    btnRename = AddButton(kAnswerId + ovRename, L"A&uto Rename", 287, 213, 90, 25);
    btnNo = AddButton(kAnswerId + ovNo, L"&No", 23, 242, 90, 25);
    btnNoAll = AddButton(kAnswerId + ovNoAll, L"No to A&ll", 155, 242, 90, 25);
    btnCancel = AddButton(kAnswerId + ovCancel, L"Cancel", 287, 242, 90, 25);
    AddGroupBox(8, 9, 386, 198);
    // Inside the frame, which starts at (8, 9).
    const int x = 8, y = 9;
    Label1 = AddLabel(L"", x + 13, y + 9);
    lblFile = AddLabel(L"", x + 38, y + 28, 0, 0, SS_NOPREFIX | SS_PATHELLIPSIS);
    Label2 = AddLabel(L"", x + 13, y + 56);
    imgExists = AddControl(L"STATIC", L"", SS_ICON, x + 40, y + 82, 32, 32);
    lblExistsFile_Size = AddLabel(L"", x + 93, y + 82);
    lblExistsFile_Time = AddLabel(L"", x + 93, y + 101);
    Label5 = AddLabel(L"", x + 13, y + 128);
    imgNew = AddControl(L"STATIC", L"", SS_ICON, x + 40, y + 154, 32, 32);
    lblNewFile_Size = AddLabel(L"", x + 93, y + 154);
    lblNewFile_Time = AddLabel(L"", x + 93, y + 173);
}

void TfrmOverWrite::SetTexts()
{
    ApplyTexts({
        {hwnd(), L"02000900"},    {Label1, L"02000901"},    {Label2, L"02000902"}, {Label5, L"02000903"},
        {btnYes, L"02000705"},    {btnYesAll, L"02000707"}, {btnRename, L"02000911"}, {btnNo, L"02000709"},
        {btnNoAll, L"0200070B"}, {btnCancel, L"02000710"},
    });
    for (HWND label : {Label1, Label2, Label5})
        FitLabel(label);
    Arrange();
}

void TfrmOverWrite::Arrange()
{
    FitToTexts(Dpi(), {btnYes, btnYesAll, btnRename, btnNo, btnNoAll, btnCancel});
    ShowIcon(sExistsFile, imgExists, existsIcon_);
    ShowIcon(sNewFile, imgNew, newIcon_);
}

void TfrmOverWrite::ShowIcon(const std::wstring& path, HWND image, win32::IconHandle& icon)
{
    if (path.empty())
        return;
    win32::IconHandle next = FileIcon(path, win32::Scale(32, Dpi()));
    if (!next)
        return;
    ::SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(next.get()), 0);
    icon = std::move(next); // the one shown before goes only now
}

void TfrmOverWrite::ShowFile(const std::wstring& path, HWND sizeLabel, HWND timeLabel)
{
    win32::SetText(sizeLabel, SizeLine(fs::GetFileSizeByName(path), LangText(L"02000982")));
    win32::SetText(timeLabel, LangText(L"02000983") + L": " + FormatDateTime(GetFileModified(path)));
    FitLabel(sizeLabel);
    FitLabel(timeLabel);
}

OverwriteChoice TfrmOverWrite::Execute()
{
    SetTexts();
    nChoice = ovYes;
    win32::SetText(lblFile, sExistsFile);
    FitLabel(lblFile, 386 - 38 - 8); // a long path is shortened with "..." inside the frame
    ShowFile(sExistsFile, lblExistsFile_Size, lblExistsFile_Time);
    ShowFile(sNewFile, lblNewFile_Size, lblNewFile_Time);
    ::SetFocus(btnYes);
    ShowModal(owner_);
    return nChoice;
}

void TfrmOverWrite::Answer(OverwriteChoice answer)
{
    nChoice = answer;
    EndModal();
}

LRESULT TfrmOverWrite::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int answer = LOWORD(wParam) - kAnswerId;
        if (answer >= ovYes && answer <= ovCancel) {
            Answer(static_cast<OverwriteChoice>(answer));
            return 0;
        }
        break;
    }
    }
    return Window::OnMessage(message, wParam, lParam);
}
