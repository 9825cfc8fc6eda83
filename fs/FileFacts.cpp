#include "fs/FileFacts.h"

#include "fs/Paths.h"
#include "win32/Handles.h"

namespace fs {

namespace {

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr uint32_t kUnixExtension = 0x8000;
constexpr uint32_t kOwnerWrite = 0200;

LARGE_INTEGER AsLarge(const std::optional<FILETIME>& time)
{
    LARGE_INTEGER value{}; // 0: the system leaves that time as it is
    if (time) {
        value.LowPart = time->dwLowDateTime;
        value.HighPart = static_cast<LONG>(time->dwHighDateTime);
    }
    return value;
}

bool ApplyFacts(HANDLE opened, const FileFacts& facts, bool withAttributes, bool folder)
{
    FILE_BASIC_INFO basic{};
    basic.CreationTime = AsLarge(facts.created);
    basic.LastWriteTime = AsLarge(facts.modified);
    if (withAttributes && facts.attributes) {
        basic.FileAttributes = *facts.attributes;
        if (folder) // a folder keeps what marks it as one: the system refuses "normal" for it
            basic.FileAttributes = (basic.FileAttributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_DIRECTORY;
    }
    if (basic.CreationTime.QuadPart == 0 && basic.LastWriteTime.QuadPart == 0 && basic.FileAttributes == 0)
        return true; // nothing stored
    return ::SetFileInformationByHandle(opened, FileBasicInfo, &basic, sizeof basic);
}

} // namespace

DWORD AttributesFromStored(uint32_t stored)
{
    DWORD attributes = stored & kKeptAttributes;
    if (stored & kUnixExtension) {
        const uint32_t mode = stored >> 16;
        attributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | ((mode & kOwnerWrite) ? 0 : FILE_ATTRIBUTE_READONLY);
    }
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool ApplyFacts(HANDLE file, const FileFacts& facts, bool withAttributes)
{
    return ApplyFacts(file, facts, withAttributes, false);
}

bool ApplyFacts(const std::wstring& path, const FileFacts& facts, bool withAttributes)
{
    const std::wstring name = LongPathForm(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    const win32::FileHandle opened(::CreateFileW(name.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING,
                                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return opened && ApplyFacts(opened.get(), facts, withAttributes, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
}

} // namespace fs
