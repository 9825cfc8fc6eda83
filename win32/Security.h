// Access lists for the folders the program makes for itself.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <string>

namespace win32 {

// The current account's security identifier in its string form ("S-1-5-21-..."). Raises an
// error when the system cannot say.
std::wstring CurrentAccountSid();

// Security attributes that give full control to the current account and to the system account
// (backup and antivirus software run as it) and to nobody else, protected from the access list of
// the parent; whatever is made inside a folder created with them inherits the same list.
class PrivateSecurity {
public:
    PrivateSecurity(); // raises an error when the system cannot build the list
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

private:
    LocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

// Gives the open file (opened with WRITE_DAC access) the access list that its folder passes on to
// new files, as if it had been made there: a file moved out of a private folder no longer keeps
// that folder's list. Answers whether the system did it.
bool TakeFolderSecurity(HANDLE file) noexcept;

// Overwrites the characters of a secret with zeros before it is emptied, so that the memory it
// held no longer says it.
void WipeText(std::wstring& text) noexcept;

} // namespace win32
