#include "fs/FileOps.h"

#include "fs/Paths.h"
#include "win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace fs {

namespace {

bool IsDotEntry(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

} // namespace

void ForEachEntry(const std::wstring& folder, const std::wstring& pattern,
                  const std::function<bool(const WIN32_FIND_DATAW& entry)>& visit)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(LongPathForm(folder + pattern).c_str(), &entry));
    if (!find)
        return;
    do {
        if (!IsDotEntry(entry.cFileName) && !visit(entry))
            return;
    } while (::FindNextFileW(find.get(), &entry));
}

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool NameTaken(const std::wstring& path)
{
    return ::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool NameTakenBy(const std::wstring& path, DWORD code)
{
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
        return true;
    if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION)
        return false;
    if (::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD looked = ::GetLastError();
    return looked != ERROR_FILE_NOT_FOUND && looked != ERROR_PATH_NOT_FOUND;
}

std::wstring ProgramPath()
{
    // A package may sit in a folder deeper than MAX_PATH: grow the buffer until the path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    // The system may hand out the "\\?\" form itself; messages and names use the plain one.
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0)
        return path.substr(4);
    return path;
}

std::wstring ProgramFolder()
{
    const std::wstring path = ProgramPath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

void CreateFolderChain(const std::wstring& path)
{
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.size() < 3 || FolderExists(folder))
        return;
    size_t parent_end = folder.find_last_of(L'\\');
    if (parent_end != std::wstring::npos && parent_end > 0)
        CreateFolderChain(folder.substr(0, parent_end + 1));
    ::CreateDirectoryW(LongPathForm(folder).c_str(), nullptr);
}

void FolderChainMaker::MakeParentOf(const std::wstring& file)
{
    std::wstring folder = file.substr(0, file.find_last_of(L'\\') + 1);
    if (made_.count(folder) == 0) {
        CreateFolderChain(folder);
        made_.insert(std::move(folder));
    }
}

std::wstring TemporaryFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    return (length > 0 && length <= MAX_PATH) ? std::wstring(buffer, length) : std::wstring();
}

void RemoveEmptyFolders(const std::wstring& folder)
{
    const std::wstring listed = WithTrailingBackslash(folder);
    std::vector<std::wstring> inner;
    ForEachEntry(listed, L"*", [&](const WIN32_FIND_DATAW& entry) {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            inner.push_back(listed + entry.cFileName);
        return true;
    });
    for (const auto& path : inner)
        RemoveEmptyFolders(path);
    ::RemoveDirectoryW(LongPathForm(listed).c_str()); // refused while anything is left in it
}

void RemoveEmptyParents(const std::wstring& folder, const std::wstring& stop)
{
    const std::wstring end = WithTrailingBackslash(stop);
    std::wstring path = WithTrailingBackslash(folder);
    if (end.size() < 3 || path.size() <= end.size() || ::_wcsnicmp(path.c_str(), end.c_str(), end.size()) != 0)
        return; // stop is not above folder
    for (;;) {
        path.pop_back();
        path.erase(path.find_last_of(L'\\') + 1);
        if (path.size() <= end.size())
            return;
        // One that is not there (never made, or gone already) does not end the walk.
        if (!::RemoveDirectoryW(LongPathForm(path).c_str()) && FolderExists(path))
            return;
    }
}

std::wstring FullPathOf(const std::wstring& path)
{
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    return (length > 0 && length < full.size()) ? full.substr(0, length) : path;
}

std::wstring ExistingAncestor(const std::wstring& path)
{
    std::wstring folder = path;
    while (!folder.empty() && !FolderExists(folder)) {
        while (!folder.empty() && folder.back() == L'\\')
            folder.pop_back();
        const size_t parent = folder.find_last_of(L'\\');
        folder = parent == std::wstring::npos ? std::wstring() : folder.substr(0, parent + 1);
    }
    return folder;
}

namespace {

// The serial number of the volume that holds path; 0 when the system cannot say.
DWORD VolumeSerialOf(const std::wstring& path)
{
    const win32::FileHandle opened(::CreateFileW(LongPathForm(path).c_str(), FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!opened || !::GetFileInformationByHandle(opened.get(), &information))
        return 0;
    return information.dwVolumeSerialNumber;
}

} // namespace

bool OnOneVolume(const std::wstring& first, const std::wstring& second)
{
    const DWORD serial = VolumeSerialOf(first);
    return serial != 0 && serial == VolumeSerialOf(second);
}

int64_t FreeBytesForUser(const std::wstring& folder)
{
    ULARGE_INTEGER available{}, total{}, free{};
    if (folder.empty() || !::GetDiskFreeSpaceExW(LongPathForm(WithTrailingBackslash(folder)).c_str(), &available,
                                                  &total, &free))
        return -1;
    return available.QuadPart > static_cast<ULONGLONG>(INT64_MAX) ? INT64_MAX
                                                                  : static_cast<int64_t>(available.QuadPart);
}

uint64_t GetFileSizeByName(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(LongPathForm(path).c_str(), &entry));
    if (!find)
        return 0;
    return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

} // namespace fs
