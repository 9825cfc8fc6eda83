// Where the package came from, passed on: a package saved from the Internet carries the zone it
// came from in its Zone.Identifier stream ("the mark of the Web"), which is what makes Windows
// warn before a program from the Internet starts and Office open a document in Protected View.
// Every file that comes out of a marked package gets a mark of its own.
#pragma once

#include <string>

namespace job {

// How much of the package's stream is read: far more than any browser writes.
inline constexpr size_t kLongestPackageMark = 64 * 1024;
// A HostUrl longer than this, or with control characters in it, is left out of the marks.
inline constexpr size_t kLongestHostUrl = 2048;

// The stream every file that comes out gets, from the package's own stream and its full path:
// "[ZoneTransfer]", the package's ZoneId, "ReferrerUrl=" the package's path (UTF-8) and its
// HostUrl when it has one, each line ended by CR LF. Empty when the package is not marked, or
// marked with a zone that Windows does not warn about (0 to 2), or the stream is not a mark (no
// [ZoneTransfer] section, no ZoneId).
std::string MarkFor(const std::string& packageStream, const std::wstring& packagePath);

// The package's own Zone.Identifier stream (at most kLongestPackageMark bytes); empty when it has
// none or its file system keeps no streams.
std::string ReadPackageStream(const std::wstring& packagePath);

// Writes mark as the Zone.Identifier stream of file (an existing file), replacing one it had.
// Where the file system keeps no streams (FAT32, exFAT, some network shares) nothing is written
// and nothing said; any other failure raises an error naming the file.
void WriteMark(const std::wstring& file, const std::string& mark);

} // namespace job
