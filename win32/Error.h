// The program's one error type, an exception that carries a message text for the user, and the
// texts that errors are made of.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace win32 {

// text in UTF-8: for std::exception's what(), and for what the system keeps as UTF-8.
std::string Utf8(const std::wstring& text);

class Error : public std::exception {
public:
    explicit Error(std::wstring message) : message_(std::move(message)), what_(Utf8(message_)) {}
    // An error that a person reads in their language: the language entry reason (with "{0}",
    // "{1}"... for args); message is the English text, for when no language file can be read.
    Error(std::wstring message, std::wstring reason, std::vector<std::wstring> args)
        : message_(std::move(message)), reason_(std::move(reason)), args_(std::move(args)), what_(Utf8(message_))
    {
    }
    const std::wstring& message() const noexcept { return message_; }
    const std::wstring& reason() const noexcept { return reason_; }
    const std::vector<std::wstring>& args() const noexcept { return args_; }
    // The system's error code behind it; 0 when it has none.
    DWORD code() const noexcept { return code_; }
    Error& WithCode(DWORD code) noexcept
    {
        code_ = code;
        return *this;
    }
    // The English message in UTF-8, for code that knows only std::exception.
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::wstring message_;
    std::wstring reason_;
    std::vector<std::wstring> args_;
    DWORD code_ = 0;
    std::string what_;
};

// The system's text for an error code, without the trailing line break; empty if it has none.
// The one reader of the system's texts.
std::wstring SystemErrorText(DWORD code);

// An error about a file: what (say "Cannot create file"), the path in quotes, then the system's
// text for code. reason, when given, says the same in the user's language with {0} the path and
// {1} the system's text.
Error FileError(const wchar_t* what, const std::wstring& path, DWORD code, const wchar_t* reason = L"");

} // namespace win32
