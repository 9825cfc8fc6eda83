// Staging: the archive appended to the program file is copied out to "tmp.dat" for the library.
#pragma once

#include "fs/ByteStream.h"
#include "job/PackageFormat.h"

#include <cstdint>
#include <functional>
#include <string>

namespace job {

// The largest block copied at once.
inline constexpr uint32_t COPY_CHUNK = 61440;

// What the working folder must have room for, given the size of the program file: the staged
// archive (from PAYLOAD_OFFSET to the end) and a margin for the archive library and the language
// file.
int64_t WorkFolderBytes(uint64_t programSize);

// The folder the job extracts into: the output folder, one "\", the package name, one "\".
std::wstring TargetFolderFor(const std::wstring& outputPath, const std::wstring& packageName);

// Copies count bytes from the current position of from to that of to, in blocks of at most
// COPY_CHUNK through one buffer. After each block calls afterBlock with the bytes still to copy;
// an answer of false stops the copy there. Raises "Stream read error" on a short read, and
// ByteStream::WriteAll's error (the file and the system's reason) on a failed write.
void CopyPayload(fs::ByteStream& from, fs::ByteStream& to, int64_t count,
                 const std::function<bool(int64_t remaining)>& afterBlock);

} // namespace job
