#include "job/FilePlacement.h"

#include "fs/ByteStream.h"
#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/ScratchNames.h"
#include "lang/TextKeys.h"
#include "win32/Error.h"
#include "win32/Handles.h"
#include "win32/Security.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace job {

namespace {

win32::Error CannotPlace(const std::wstring& target, DWORD code)
{
    return win32::FileError(L"Cannot write file", target, code, lang::key::kCannotWriteFile);
}

constexpr int kPartNameAttempts = 1000;
constexpr DWORD kCopyBlock = 1 << 20;

// What the system answers while another program's handle is on a file.
bool HeldByAnother(DWORD code)
{
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION;
}

bool IsNameTaken(DWORD code)
{
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

// A new provisional file in the folder of target, made for this copy alone: created exclusively,
// so never a file that was there before (a person's own file of any name stays untouched), and
// gone if the process dies before it is whole. Only a name that is taken makes it try another:
// any other refusal (a folder that lets nobody create files) is the answer.
std::unique_ptr<fs::ByteStream> CreatePartFile(const std::wstring& target, const PlacementCalls& calls)
{
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    static std::atomic<uint32_t> next{::GetTickCount() ^ (::GetCurrentProcessId() << 16)};
    for (int attempt = 0; attempt < kPartNameAttempts; ++attempt) {
        wchar_t name[24];
        std::swprintf(name, 24, L"%ls%08X.part", fs::kOwnPrefix, static_cast<unsigned>(next++));
        try {
            return calls.createPart(folder + name);
        } catch (const win32::Error& e) {
            if (!IsNameTaken(e.code()))
                throw CannotPlace(target, e.code());
        }
    }
    throw CannotPlace(target, ERROR_FILE_EXISTS);
}

// Copies the staged file's bytes into part.
void CopyContents(const std::wstring& staged, fs::ByteStream& part, const std::wstring& target)
{
    // Read with sharing: another program reading it too (a scanner) is no obstacle.
    const win32::FileHandle source(::CreateFileW(fs::LongPathForm(staged).c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
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

// Copies the staged file beside the target and gives the copy the target's name once whole.
PlaceResult CopyInPlace(const std::wstring& staged, const std::wstring& target, bool replace,
                        const std::function<bool()>& cancelled, const PlacementCalls& calls)
{
    // Beside the target, so that the final step is a rename on one volume; until then the copy is
    // provisional, so a killed run leaves no half file anywhere.
    const std::unique_ptr<fs::ByteStream> part = CreatePartFile(target, calls);
    CopyContents(staged, *part, target);
    DWORD code = ERROR_SUCCESS;
    try {
        if (replace)
            part->Flush(); // the new bytes are on the disk before they take the old file's place
        part->Keep();
        code = WaitOutHeldFile(
            [&]() -> DWORD {
                try {
                    part->Rename(target, replace);
                    return ERROR_SUCCESS;
                } catch (const win32::Error& e) {
                    return e.code();
                }
            },
            cancelled);
    } catch (const win32::Error& e) {
        code = e.code();
    }
    if (code == ERROR_SUCCESS)
        return PlaceResult::Placed;
    part->Discard(); // the part file goes when it closes
    if (code == ERROR_CANCELLED)
        return PlaceResult::Cancelled;
    if (!replace && IsNameTaken(code))
        return PlaceResult::NameTaken;
    throw CannotPlace(target, code);
}

// A read-only file that the person chose to replace loses its read-only attribute for the
// replace (Windows refuses a rename over a read-only file) and gets it back if the replace fails.
class ReadOnlyLifted {
public:
    ReadOnlyLifted(const std::wstring& target, bool replace) : target_(fs::LongPathForm(target))
    {
        const DWORD attributes = replace ? ::GetFileAttributesW(target_.c_str()) : INVALID_FILE_ATTRIBUTES;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            ::SetFileAttributesW(target_.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
            lifted_ = attributes;
    }
    ~ReadOnlyLifted()
    {
        if (lifted_)
            ::SetFileAttributesW(target_.c_str(), *lifted_);
    }
    ReadOnlyLifted(const ReadOnlyLifted&) = delete;
    ReadOnlyLifted& operator=(const ReadOnlyLifted&) = delete;

    // The file was replaced: what stands there now is the new one.
    void Replaced() { lifted_.reset(); }

private:
    std::wstring target_;
    std::optional<DWORD> lifted_;
};

PlaceResult PlaceOrCopy(const std::wstring& staged, const std::wstring& target, bool replace,
                        const std::function<bool()>& cancelled, const PlacementCalls& calls)
{
    // The staged file is the program's own: moving it loses nothing and copies no data. A move
    // over an existing target replaces it in one step.
    {
        win32::FileHandle file;
        const DWORD opened = WaitOutHeldFile(
            [&] {
                file.reset(::CreateFileW(fs::LongPathForm(staged).c_str(), DELETE | READ_CONTROL | WRITE_DAC, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
                return file ? ERROR_SUCCESS : ::GetLastError();
            },
            cancelled);
        if (opened == ERROR_CANCELLED)
            return PlaceResult::Cancelled;
        if (opened != ERROR_SUCCESS && !HeldByAnother(opened))
            throw CannotPlace(target, opened);
        if (file) {
            const DWORD moved = WaitOutHeldFile(
                [&] { return calls.renameStaged(file.get(), target, replace); }, cancelled);
            if (moved == ERROR_SUCCESS) {
                // It came from a private folder: it takes what its new folder gives, as a copy
                // would. Where the system cannot, it stays the person's own, which loses nothing.
                win32::TakeFolderSecurity(file.get());
                return PlaceResult::Placed;
            }
            if (moved == ERROR_CANCELLED)
                return PlaceResult::Cancelled;
            if (!replace && IsNameTaken(moved))
                return PlaceResult::NameTaken;
            if (moved != ERROR_NOT_SAME_DEVICE)
                throw CannotPlace(target, moved); // the target is held, or the system refuses
        }
        // Another volume, or a staged file that another program still reads: a copy reads it
        // with sharing.
    }
    const PlaceResult copied = CopyInPlace(staged, target, replace, cancelled, calls);
    if (copied == PlaceResult::Placed) // placed: the staged file goes, as if it had moved
        WaitOutHeldFile([&] { return ::DeleteFileW(fs::LongPathForm(staged).c_str()) ? ERROR_SUCCESS : ::GetLastError(); },
                        cancelled);
    return copied;
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

DWORD WaitOutHeldFile(const std::function<DWORD()>& attempt, const std::function<bool()>& cancelled)
{
    const ULONGLONG deadline = ::GetTickCount64() + kHeldFileWaitMs;
    for (;;) {
        const DWORD code = attempt();
        if (!HeldByAnother(code) || ::GetTickCount64() >= deadline)
            return code;
        if (cancelled && cancelled())
            return ERROR_CANCELLED;
        ::Sleep(kHeldFileStepMs);
    }
}

DWORD SystemRenameStaged(HANDLE staged, const std::wstring& target, bool replace)
{
    return fs::RenameOpenFile(staged, target, replace);
}

PlacementCalls SystemPlacementCalls()
{
    return {SystemRenameStaged, [](const std::wstring& path) { return fs::ByteStream::CreateProvisional(path, true); }};
}

PlaceResult PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace,
                      const std::function<bool()>& cancelled, const PlacementCalls& calls)
{
    ReadOnlyLifted readOnly(target, replace);
    const PlaceResult result = PlaceOrCopy(staged, target, replace, cancelled, calls);
    if (result == PlaceResult::Placed)
        readOnly.Replaced();
    return result;
}

} // namespace job
