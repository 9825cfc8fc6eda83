// The question about a file that already exists where a staged file is to go.
#pragma once

#include "job/JobState.h"
#include "ui/Format.h"
#include "win32/Handles.h"
#include "win32/Window.h"

#include <string>

class TfrmOverWrite : public win32::Window {
public:
    explicit TfrmOverWrite(HWND owner);

    // Shows both files and waits for an answer; closing the dialog otherwise answers ovYes.
    OverwriteChoice Execute();

    std::wstring sExistsFile;
    std::wstring sNewFile;
    OverwriteChoice nChoice = ovYes;

    // Ends the open question with answer, as if it had been clicked.
    void Answer(OverwriteChoice answer);

    // The texts from the language file, each control as wide as its text needs.
    void SetTexts();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Arrange() override;
    void ShowFile(const std::wstring& path, HWND sizeLabel, HWND timeLabel);
    void ShowIcon(const std::wstring& path, HWND image, win32::IconHandle& icon);

    HWND owner_;
    HWND Label1 = nullptr, lblFile = nullptr, Label2 = nullptr, imgExists = nullptr, lblExistsFile_Size = nullptr,
         lblExistsFile_Time = nullptr, Label5 = nullptr, imgNew = nullptr, lblNewFile_Size = nullptr,
         lblNewFile_Time = nullptr;
    HWND btnYes = nullptr, btnYesAll = nullptr, btnRename = nullptr, btnNo = nullptr, btnNoAll = nullptr,
         btnCancel = nullptr;
    win32::IconHandle existsIcon_, newIcon_;
};

// The last-write time of a file in local time, in two-second steps; the date-time zero when the
// file cannot be found.
LocalDateTime GetFileModified(const std::wstring& path);

// The shell's icon for the file at size x size pixels; none when the shell has none.
win32::IconHandle FileIcon(const std::wstring& path, int size);

// "2048 bytes": the size and the language's unit with its "{0}" removed.
std::wstring SizeLine(uint64_t size, const std::wstring& bytesTemplate);
