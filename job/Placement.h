// Putting staged files in place when the target folder already holds some of them.
#pragma once

#include <string>

// A free name beside path: "report.txt" gives "report(1).txt", or "report(2).txt" when a file or
// folder has that one, and so on; "notes" gives "notes(1)"; "data.tar.gz" gives "data.tar(1).gz".
std::wstring MakeRenamePath(const std::wstring& path);

// Copies staged to target. An existing target is replaced in one step, and only once the copy
// is complete beside it under a name of its own (a new file, never one that was there): a failed
// copy leaves it as it was. Raises an error naming target.
void PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace);
