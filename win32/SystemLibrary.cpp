#include "win32/SystemLibrary.h"

#include "win32/Error.h"

#include <string>

namespace win32 {

namespace {

// Whether the system knows the LOAD_LIBRARY_SEARCH_* flags (Windows 8, or 7 with KB2533623).
bool searchFlagsKnown = true;

// The system folder's copy of module, by its full path.
HMODULE LoadFromSystemFolder(const wchar_t* module)
{
    if (searchFlagsKnown)
        return ::LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + module;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

void RestrictDllSearch()
{
    // Only the system folder may supply DLLs: a package often runs from a downloads folder.
    // SetDefaultDllDirectories is looked up, not imported: a Windows 7 without its update lacks it
    // and would not even start. There the most that system allows is done: the current folder
    // leaves the search, and every DLL is loaded by its full path from the system folder, its own
    // imports looked for there first (LoadFromSystemFolder). The program's folder cannot be taken
    // out of that system's search.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    searchFlagsKnown = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!searchFlagsKnown)
        ::SetDllDirectoryW(L"");
}

FARPROC SystemProcAddress(const wchar_t* module, const char* function)
{
    // The system keeps the module loaded: it is never freed for the life of the process.
    HMODULE loaded = LoadFromSystemFolder(module);
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
