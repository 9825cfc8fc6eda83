// System DLLs beyond kernel32, user32 and gdi32, loaded from the system folder when first used.
//
// The program file imports statically only what Windows always maps from its own folder: the
// loader resolves static imports before the program's first line runs, searching the program's
// folder first, where anyone may have left a DLL of the same name (a downloads folder). Every
// other system function is called through SYSTEM_FUNCTION, after the program has restricted the
// DLL search to the system folder.
#pragma once

#include <windows.h>

namespace win32 {

// The program's first act: DLLs come from the system folder only (as far as the system allows).
void RestrictDllSearch();

// The address of function in the system DLL module (loaded once, from the system folder only).
// Raises an error naming the DLL or the function when either cannot be had.
FARPROC SystemProcAddress(const wchar_t* module, const char* function);

} // namespace win32

// A system function, typed as the platform headers declare it:
//   SYSTEM_FUNCTION(L"shell32.dll", SHGetFileInfoW)(path, 0, &info, sizeof info, flags);
// Looked up at the first call of each call site.
#define SYSTEM_FUNCTION(module, function)                                                                  \
    ([]() -> decltype(&::function) {                                                                       \
        static const auto resolved = reinterpret_cast<decltype(&::function)>(                              \
            reinterpret_cast<void (*)()>(::win32::SystemProcAddress(module, #function)));                  \
        return resolved;                                                                                   \
    }())
