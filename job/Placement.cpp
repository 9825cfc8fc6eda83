#include "job/Placement.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "win32/Error.h"

#include <windows.h>

namespace {

win32::Error CannotPlace(const std::wstring& target, DWORD code)
{
    return win32::FileError(L"Cannot write file", target, code, L"02000C48");
}

} // namespace

std::wstring MakeRenamePath(const std::wstring& path)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const std::wstring base = fs::GetBaseName(path);
    const std::wstring name = path.substr(path.find_last_of(L"\\:") + 1);
    const std::wstring extension = name.substr(base.size());
    for (unsigned n = 1;; ++n) {
        std::wstring candidate = folder + base + L"(" + std::to_wstring(n) + L")" + extension;
        if (!fs::FileExists(candidate))
            return candidate;
    }
}

void PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace)
{
    const std::wstring from = fs::LongPathForm(staged);
    if (!replace) {
        if (!::CopyFileW(from.c_str(), fs::LongPathForm(target).c_str(), TRUE))
            throw CannotPlace(target, ::GetLastError());
        return;
    }
    // Beside the target, so that the final step is a rename on one drive.
    const std::wstring partial = fs::LongPathForm(target + L".qv_part");
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
