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

// A path as Windows compares names: without regard to case (upper-cased).
std::wstring CaseKey(std::wstring path);

// The name Auto Rename gives: "report.txt" with n = 1 gives "report(1).txt", "notes" "notes(1)",
// "data.tar.gz" "data.tar(1).gz"; the folder part of path stays.
std::wstring NumberedName(const std::wstring& path, unsigned n);

// The text without the characters up to and including the space (code 32) at either end.
std::wstring TrimBlanks(const std::wstring& text);

// Whether a path from an archive stays inside the folder it is extracted to: not empty, no
// leading "\" or "/" (rooted or network), no drive letter and colon, no ".." component.
bool IsSafeEntryPath(const std::wstring& path);

// One name as Windows can hold it: each of < > : " | ? * and the codes 1 to 31 becomes "_", so
// do trailing dots and blanks, and a name whose part before the first dot is a device name (CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9, LPT0 to LPT9, COM and LPT with a superscript 1, 2
// or 3, in any case) gets "_" in front. A name made only of
// dots and blanks (or empty) becomes "_". "Notes 12:30.txt" gives "Notes 12_30.txt", "nul.txt"
// "_nul.txt", "a." "a_".
std::wstring MapName(const std::wstring& name);

// An archive entry's path with each of its names mapped (MapName); "\" or "/" separate names
// and become "\". Refuse unsafe paths (IsSafeEntryPath) before mapping.
std::wstring MapEntryPath(const std::wstring& path);

// The length of the longest name (component) of a relative path.
size_t LongestName(const std::wstring& path);

// The path as the file functions take it at any length: a full path of MAX_PATH - 12 characters
// or more gets the "\\?\" form ("\\?\UNC\" for a network path); shorter and relative paths stay.
std::wstring LongPathForm(const std::wstring& path);

} // namespace fs
