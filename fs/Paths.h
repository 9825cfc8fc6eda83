// Pure path arithmetic: no file-system access.
#pragma once

#include <string>

namespace fs {

// The path with a "\" appended unless it already ends in one.
std::wstring WithTrailingBackslash(const std::wstring& path);

// The drive part of a path: "C:" of "C:\Users\x\", "\\server\share" of a network path,
// empty when the path has neither.
std::wstring DrivePart(const std::wstring& path);

// The file name of a path (the part after its last "\" or ":") without its last extension.
// "C:\Out\Report.pkg.exe" gives "Report.pkg"; ".profile" gives "".
std::wstring GetBaseName(const std::wstring& path);

// The text without the characters up to and including the space (code 32) at either end.
std::wstring TrimBlanks(const std::wstring& text);

// Whether a path from an archive stays inside the folder it is extracted to: not empty, no
// leading "\" or "/" (rooted or network), no drive letter and colon, no ".." component.
bool IsSafeEntryPath(const std::wstring& path);

} // namespace fs
