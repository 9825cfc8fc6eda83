// The program's one error type: an exception that carries a message text for the user.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace win32 {

class Error : public std::exception {
public:
    explicit Error(std::wstring message) : message_(std::move(message)) {}
    // An error that a person reads in their language: the language entry reason (with "{0}",
    // "{1}"... for args); message is the English text, for when no language file can be read.
    Error(std::wstring message, std::wstring reason, std::vector<std::wstring> args)
        : message_(std::move(message)), reason_(std::move(reason)), args_(std::move(args))
    {
    }
    const std::wstring& message() const noexcept { return message_; }
    const std::wstring& reason() const noexcept { return reason_; }
    const std::vector<std::wstring>& args() const noexcept { return args_; }
    const char* what() const noexcept override { return "Unzip error"; }

private:
    std::wstring message_;
    std::wstring reason_;
    std::vector<std::wstring> args_;
};

// The system's text for an error code, without the trailing line break; empty if it has none.
std::wstring SystemErrorText(DWORD code);

} // namespace win32
