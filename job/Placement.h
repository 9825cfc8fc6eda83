// Putting staged files in place when the target folder already holds some of them.
#pragma once

#include <string>

// A free name beside path: "report.txt" gives "report(1).txt", or "report(2).txt" when a file or
// folder has that one, and so on; "notes" gives "notes(1)"; "data.tar.gz" gives "data.tar(1).gz".
std::wstring MakeRenamePath(const std::wstring& path);

// Copies staged to target. The copy is made beside the target under a name of its own (a new
// file, never one that was there) and takes the target's name only once it is whole, replacing an
// existing target in one step when replace says so: a failed copy leaves the target as it was,
// and a copy cut short (the process killed) leaves nothing. Raises an error naming target.
void PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace);
