#include "job/Placement.h"

#include "fs/ByteStream.h"
#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

win32::Error CannotPlace(const std::wstring& target, DWORD code)
{
    return win32::FileError(L"Cannot write file", target, code, L"02000C48");
}

} // namespace

std::wstring MakeRenamePath(const std::wstring& path)
{
    for (unsigned n = 1;; ++n) {
        std::wstring candidate = fs::NumberedName(path, n);
        if (!fs::NameTaken(candidate)) // a folder takes a name as much as a file does
            return candidate;
    }
}

namespace {

constexpr int kPartNameAttempts = 1000;
constexpr DWORD kCopyBlock = 1 << 20;

// A new provisional file in the folder of target, made for this copy alone: created exclusively,
// so never a file that was there before (a person's own file of any name stays untouched), and
// gone if the process dies before it is whole.
std::unique_ptr<ByteStream> CreatePartFile(const std::wstring& target)
{
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    static std::atomic<uint32_t> next{::GetTickCount() ^ (::GetCurrentProcessId() << 16)};
    for (int attempt = 0; attempt < kPartNameAttempts; ++attempt) {
        wchar_t name[24];
        std::swprintf(name, 24, L"qv_%08X.part", static_cast<unsigned>(next++));
        try {
            return ByteStream::CreateProvisional(folder + name, true);
        } catch (const win32::Error& e) {
            if (e.code() != ERROR_FILE_EXISTS && e.code() != ERROR_ALREADY_EXISTS && e.code() != ERROR_ACCESS_DENIED)
                throw CannotPlace(target, e.code());
        }
    }
    throw CannotPlace(target, ERROR_FILE_EXISTS);
}

// Copies the staged file's bytes into part.
void CopyContents(const std::wstring& staged, ByteStream& part, const std::wstring& target)
{
    const win32::FileHandle source(::CreateFileW(fs::LongPathForm(staged).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source)
        throw CannotPlace(target, ::GetLastError());
    std::vector<char> block(kCopyBlock);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source.get(), block.data(), kCopyBlock, &read, nullptr))
            throw CannotPlace(target, ::GetLastError());
        if (read == 0)
            return;
        if (part.Write(block.data(), read) != read) {
            const DWORD code = ::GetLastError();
            throw CannotPlace(target, code != ERROR_SUCCESS ? code : ERROR_DISK_FULL);
        }
    }
}

} // namespace

void PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace)
{
    // Beside the target, so that the final step is a rename on one drive; until then the copy is
    // provisional, so a killed run leaves no half file anywhere.
    const std::unique_ptr<ByteStream> part = CreatePartFile(target);
    CopyContents(staged, *part, target);
    try {
        if (replace)
            part->Flush(); // the new bytes are on the disk before they take the old file's place
        part->Keep();
        part->Rename(target, replace);
    } catch (const win32::Error& e) {
        part->Discard(); // the part file goes when it closes
        throw CannotPlace(target, e.code());
    }
}
