// The program's one error type: an exception that carries a message text for the user.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace win32 {

class Error : public std::exception {
public:
    explicit Error(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& message() const noexcept { return message_; }
    const char* what() const noexcept override { return "Unzip error"; }

private:
    std::wstring message_;
};

// The system's text for an error code, without the trailing line break; empty if it has none.
std::wstring SystemErrorText(DWORD code);

} // namespace win32
