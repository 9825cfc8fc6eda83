// The layout of a package: this program's file with a 7z archive appended. The one statement of
// it: the build's image check and the shell tools (tools/package-format) read these lines too,
// so each value stays a plain literal on a line of its own.
#pragma once

#include <cstdint>

namespace job {

// Where the job's copy of the archive starts in the package (inside the program's own image when
// the image is longer). The packer pads a shorter program with zero bytes up to it.
inline constexpr int64_t PAYLOAD_OFFSET = 0xBD000;

// How far into that copy the archive library looks for the archive's signature.
inline constexpr uint64_t SEARCH_WINDOW = 0x100000;

// How much of the window the program's image may take, so that an archive after it still starts
// inside: the window less this margin.
inline constexpr uint64_t SEARCH_MARGIN = 0x10000;

// The archive's marker entry, first in a block of its own: the password check decodes it alone,
// and it never stays in the target folder.
inline constexpr wchar_t kMarkerName[] = L"1e1c8ebb-9299-4834-ab8f-9e5a0c04ba8b.quorvane";

} // namespace job
