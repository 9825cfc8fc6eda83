// Access lists for the folders the program makes for itself.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace win32 {

// The account of the system itself (backup and antivirus software run as it).
inline constexpr wchar_t kSystemAccountSid[] = L"S-1-5-18";

// The current account's security identifier in its string form ("S-1-5-21-..."). Raises an
// error when the system cannot say.
std::wstring CurrentAccountSid();

// Security attributes that give full control to the current account and to the system account
// and to nobody else, protected from the access list of the parent, with the current account as
// owner (an elevated run would otherwise give its folders to the Administrators group); whatever
// is made inside a folder created with them inherits the same list.
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

// What the proof of a private folder reads of an object's security.
struct SecurityFacts {
    struct Entry {
        bool allows = false;    // an entry that allows (any other kind counts against)
        bool inherited = false; // it came from the parent
        std::wstring account;   // "S-1-..."
    };
    std::wstring owner;          // "S-1-..."
    bool hasAccessList = false;  // false: no list at all, which lets everyone in
    std::vector<Entry> entries;
};

// Whether facts describe what PrivateSecurity makes for account: owned by it, an access list
// whose every entry allows account or the system account, account among them, and no entry
// passed on by the parent (so the list is the folder's own, protected from the parent's; the
// protection flag itself is not asked, as Wine does not keep it).
bool IsPrivateFor(const SecurityFacts& facts, const std::wstring& account);

// The owner and access list of an open object (opened with READ_CONTROL); none when the system
// cannot say (a file system without security, say).
std::optional<SecurityFacts> ReadSecurityFacts(HANDLE object) noexcept;

// Gives the open file (opened with WRITE_DAC access) the access list that its folder passes on to
// new files, as if it had been made there: a file moved out of a private folder no longer keeps
// that folder's list. Answers whether the system did it.
bool TakeFolderSecurity(HANDLE file) noexcept;

// Overwrites the characters of a secret with zeros before it is emptied, so that the memory it
// held no longer says it.
void WipeText(std::wstring& text) noexcept;

} // namespace win32
