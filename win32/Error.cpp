#include "win32/Error.h"

#include "win32/Handles.h"

namespace win32 {

std::string Utf8(const std::wstring& text)
{
    const int length = static_cast<int>(text.size());
    std::string narrow(::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                          nullptr);
    return narrow;
}

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory owned(buffer);
    std::wstring text(buffer ? buffer : L"", length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

Error FileError(const wchar_t* what, const std::wstring& path, DWORD code, const wchar_t* reason)
{
    const std::wstring system = SystemErrorText(code);
    return std::move(Error(std::wstring(what) + L" \"" + path + L"\". " + system, reason, {path, system}).WithCode(code));
}

} // namespace win32
