// A package's archive as bytes, for tests that damage it on purpose: where its parts lie, and its
// two CRCs written anew after a change to its end header.
#pragma once

#include "job/PackageFormat.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace testing_support {

// A 7z CRC-32, bit by bit: enough for rewriting a header in a test.
inline uint32_t Crc32(const unsigned char* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Where the parts of a package's archive lie, as offsets into the package.
struct ArchiveParts {
    size_t start = 0;       // the start header: signature, version, its CRC, where the end header is
    size_t packed = 0;      // the packed data, right after the start header
    size_t header = 0;      // the end header
    uint64_t headerSize = 0;
};

// The archive in a package: the first 7z signature past the program whose start header checks
// out (the program's embedded library holds the signature too); nullopt if none.
inline std::optional<ArchiveParts> FindArchive(const std::string& package)
{
    const std::string signature("7z\xBC\xAF\x27\x1C", 6);
    for (size_t at = package.find(signature, job::PAYLOAD_OFFSET); at != std::string::npos;
         at = package.find(signature, at + 1)) {
        if (at + 32 > package.size())
            break;
        uint32_t stored = 0;
        std::memcpy(&stored, package.data() + at + 8, 4);
        if (Crc32(reinterpret_cast<const unsigned char*>(package.data() + at + 12), 20) != stored)
            continue;
        ArchiveParts parts;
        uint64_t headerOffset = 0;
        std::memcpy(&headerOffset, package.data() + at + 12, 8);
        std::memcpy(&parts.headerSize, package.data() + at + 20, 8);
        parts.start = at;
        parts.packed = at + 32;
        parts.header = parts.packed + static_cast<size_t>(headerOffset);
        return parts;
    }
    return std::nullopt;
}

// Writes the end header's CRC and the start header's anew, after a change to the end header.
inline void SealHeaders(std::string& package, const ArchiveParts& parts)
{
    auto* bytes = reinterpret_cast<unsigned char*>(package.data());
    const uint32_t headerCrc = Crc32(bytes + parts.header, static_cast<size_t>(parts.headerSize));
    std::memcpy(bytes + parts.start + 28, &headerCrc, 4);
    const uint32_t startCrc = Crc32(bytes + parts.start + 12, 20);
    std::memcpy(bytes + parts.start + 8, &startCrc, 4);
}

} // namespace testing_support
