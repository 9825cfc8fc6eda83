#include "win32/SystemLibrary.h"

#include "win32/Error.h"

#include <string>

namespace win32 {

FARPROC SystemProcAddress(const wchar_t* module, const char* function)
{
    // The system keeps the module loaded: it is never freed for the life of the process.
    HMODULE loaded = ::LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!loaded)
        throw Error(L"Cannot load the system library \"" + std::wstring(module) + L"\". " +
                    SystemErrorText(::GetLastError()));
    FARPROC address = ::GetProcAddress(loaded, function);
    if (!address)
        throw Error(L"The system library \"" + std::wstring(module) + L"\" has no function " +
                    std::wstring(function, function + std::char_traits<char>::length(function)) + L". " +
                    SystemErrorText(::GetLastError()));
    return address;
}

} // namespace win32
