// What an archive keeps of a file or folder besides its data (its times and attributes), and how
// they go onto what comes out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace fs {

struct FileFacts {
    std::optional<FILETIME> modified; // none: the time of unpacking stays
    std::optional<FILETIME> created;
    std::optional<DWORD> attributes;  // what comes out (AttributesFromStored); none: left as made
};

// The attributes a file or folder comes out with, from what an archive stores: read-only,
// hidden, system and archive as stored, nothing else (no compression, encryption, sparse or link
// bits). An archive made on Unix marks its value with 0x8000 and keeps the Unix mode in the high
// 16 bits: there read-only is the owner's missing write bit. FILE_ATTRIBUTE_NORMAL when none.
DWORD AttributesFromStored(uint32_t stored);

// Sets the facts on an open file (opened with FILE_WRITE_ATTRIBUTES) in one call; with
// withAttributes false, the times only. Answers whether the system took them; a file system that
// keeps less (no creation time, coarser times) keeps what it can.
bool ApplyFacts(HANDLE opened, const FileFacts& facts, bool withAttributes);
// The same by path (a placed file, a folder), opened as itself, never through a link.
bool ApplyFacts(const std::wstring& path, const FileFacts& facts, bool withAttributes);

} // namespace fs
