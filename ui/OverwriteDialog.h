// The question about a file that already exists where a staged file is to go.
#pragma once

#include "job/OverwriteAnswer.h"
#include "lang/Format.h"
#include "win32/Handles.h"
#include "ui/WindowTexts.h"
#include "win32/Window.h"

#include <string>

namespace ui {

class OverwriteDialog : public win32::Window {
public:
    explicit OverwriteDialog(HWND owner);

    // Shows both files and waits for an answer; closing the dialog otherwise answers OverwriteAnswer::Yes.
    job::OverwriteAnswer Execute();

    std::wstring existingFile;
    std::wstring newFile;
    job::OverwriteAnswer choice_ = job::OverwriteAnswer::Yes;

    // Ends the open question with answer, as if it had been clicked.
    void Answer(job::OverwriteAnswer answer);

    // The texts from the language file, each control as wide as its text needs.
    void SetTexts();

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Arrange() override;
    void OnError(std::exception_ptr error) override { ShowErrorBox(hwnd(), error); }
    void ShowFile(const std::wstring& path, HWND sizeLabel, HWND timeLabel);
    void ShowIcon(const std::wstring& path, HWND image, win32::IconHandle& icon);

    HWND owner_;
    HWND questionLabel_ = nullptr, pathLabel_ = nullptr, replaceLabel_ = nullptr, existingIcon_ = nullptr, existingSize_ = nullptr,
         existingTime_ = nullptr, withLabel_ = nullptr, newIconView_ = nullptr, newSize_ = nullptr,
         newTime_ = nullptr;
    HWND yesButton_ = nullptr, yesAllButton_ = nullptr, renameButton_ = nullptr, noButton_ = nullptr, noAllButton_ = nullptr,
         cancelButton_ = nullptr;
    win32::IconHandle existsIcon_, newIcon_;
};

// The last-write time of a file in local time, in two-second steps; the date-time zero when the
// file cannot be found.
lang::LocalDateTime GetFileModified(const std::wstring& path);

// The shell's icon for the file at size x size pixels; none when the shell has none.
win32::IconHandle FileIcon(const std::wstring& path, int size);

// "2048 bytes": the size and the language's unit with its "{0}" removed.
std::wstring SizeLine(uint64_t size, const std::wstring& bytesTemplate);

} // namespace ui
