#include "job/Placement.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

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

// A new empty file in the folder of target, made for this copy alone: created exclusively, so
// never a file that was there before (a person's own file of any name stays untouched).
std::wstring CreatePartFile(const std::wstring& target)
{
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    static std::atomic<uint32_t> next{::GetTickCount() ^ (::GetCurrentProcessId() << 16)};
    for (int attempt = 0; attempt < kPartNameAttempts; ++attempt) {
        wchar_t name[24];
        std::swprintf(name, 24, L"qv_%08X.part", static_cast<unsigned>(next++));
        const std::wstring path = folder + name;
        const win32::FileHandle made(::CreateFileW(fs::LongPathForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (made)
            return path;
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS && code != ERROR_ACCESS_DENIED)
            throw CannotPlace(target, code);
    }
    throw CannotPlace(target, ERROR_FILE_EXISTS);
}

} // namespace

void PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace)
{
    const std::wstring from = fs::LongPathForm(staged);
    if (!replace) {
        if (!::CopyFileW(from.c_str(), fs::LongPathForm(target).c_str(), TRUE))
            throw CannotPlace(target, ::GetLastError());
        return;
    }
    // Beside the target, so that the final step is a rename on one drive.
    const std::wstring partial = fs::LongPathForm(CreatePartFile(target));
    if (!::CopyFileW(from.c_str(), partial.c_str(), FALSE)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(partial.c_str());
        throw CannotPlace(target, code);
    }
    if (!::MoveFileExW(partial.c_str(), fs::LongPathForm(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(partial.c_str());
        throw CannotPlace(target, code);
    }
}
