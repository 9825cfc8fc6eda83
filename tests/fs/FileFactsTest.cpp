#include "fs/FileFacts.h"

#include <gtest/gtest.h>

// What comes out of the attributes an archive stores: read-only, hidden, system and archive as
// stored, nothing else; where the archive was made on Unix, read-only follows the owner's write bit.
TEST(AttributesFromStored, KeepsWhatAPersonSetsAndNothingElse)
{
    constexpr uint32_t unix = 0x8000;
    const struct {
        const char* what;
        uint32_t stored;
        DWORD out;
    } cases[] = {
        {"nothing", 0, FILE_ATTRIBUTE_NORMAL},
        {"archive", FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
        {"read-only, hidden, system",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"compressed, encrypted, sparse, a link, temporary, offline: none of them",
         FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_SPARSE_FILE |
             FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_HIDDEN,
         FILE_ATTRIBUTE_HIDDEN},
        {"a folder's own mark is not an attribute to set", FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_NORMAL},
        {"Unix, rw-r--r--", unix | (0100644u << 16) | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
        {"Unix, r--r--r--", unix | (0100444u << 16), FILE_ATTRIBUTE_READONLY},
        {"Unix, r--rw-rw-: the owner cannot write", unix | (0100466u << 16), FILE_ATTRIBUTE_READONLY},
        {"Unix, rw-r--r-- though marked read-only", unix | (0100644u << 16) | FILE_ATTRIBUTE_READONLY,
         FILE_ATTRIBUTE_NORMAL},
        {"Unix, a hidden mark kept", unix | (0100644u << 16) | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs::AttributesFromStored(c.stored), c.out) << c.what;
}
