// Putting staged files in place when the target folder already holds some of them.
#pragma once

#include <windows.h>

#include <string>

// A free name beside path: "report.txt" gives "report(1).txt", or "report(2).txt" when a file or
// folder has that one, and so on; "notes" gives "notes(1)"; "data.tar.gz" gives "data.tar(1).gz".
std::wstring MakeRenamePath(const std::wstring& path);

// Puts the staged file (the program's own, in a scratch folder) at target, replacing an existing
// target in one step when replace says so. Where the system can, the staged file is moved there
// (it is gone from the scratch folder then) and takes the access list target's folder gives.
// Where the target lies on another volume, a copy is made beside the target under a name of its
// own (a new file, never one that was there) and takes the target's name only once it is whole
// (the staged file is removed then):
// a failed copy leaves the target as it was, and a copy cut short (the process killed) leaves
// nothing. Raises an error naming target.
void PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace);

// The move that placement tries first. Tests replace it to make the failures Wine does not.
struct PlacementCalls {
    // Renames the open staged file to target; the system's error code, or ERROR_SUCCESS.
    using RenameQuery = DWORD (*)(HANDLE staged, const std::wstring& target, bool replace);
    RenameQuery renameStaged;
};
DWORD SystemRenameStaged(HANDLE staged, const std::wstring& target, bool replace);
PlacementCalls& CurrentPlacementCalls();
