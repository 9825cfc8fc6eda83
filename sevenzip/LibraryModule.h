// The archive library's module, loaded from a path, and the handlers it makes.
#pragma once

#include "sevenzip/Interfaces.h"
#include "win32/Handles.h"

#include <string>

namespace sevenzip {

// Loaded for as long as the object lives; a module that lacks the entry points of a format
// library is refused (and unloaded) at once.
class LibraryModule {
public:
    // Raises "Error loading library PATH", "PATH is not a 7z library" (no CreateObject) or "PATH is
    // not a Format library" (no GetHandlerProperty).
    explicit LibraryModule(const std::wstring& libraryPath);

    // Asks the library for an object; raises the system's text for a negative result.
    void CreateObject(const GUID& classId, const GUID& interfaceId, void** object) const;

private:
    win32::ModuleHandle module_;
    CreateObjectFunc createObject_ = nullptr;
};

// Raises an error with the system's text for code unless code is 0.
void CheckResult(HRESULT code);

// The system's text for a result code, without trailing blanks and full stops; empty when the
// system has none.
std::wstring ResultText(HRESULT code);

} // namespace sevenzip
