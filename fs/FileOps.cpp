#include "fs/FileOps.h"

#include "fs/Paths.h"
#include "win32/Handles.h"

#include <windows.h>

namespace fs {

namespace {

bool IsDotEntry(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

std::wstring LowerAscii(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

} // namespace

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
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
    ::CreateDirectoryW(folder.c_str(), nullptr);
}

void DeleteFolderTree(const std::wstring& folder)
{
    if (!FolderExists(folder))
        return;
    const std::wstring listed = WithTrailingBackslash(folder);

    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW((listed + L"*").c_str(), &entry));
    if (find) {
        do {
            if (IsDotEntry(entry.cFileName))
                continue;
            const std::wstring path = listed + entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW(path.c_str());
            else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                ::RemoveDirectoryW(path.c_str()); // the link only, not what it points to
            else
                DeleteFolderTree(path);
        } while (::FindNextFileW(find.get(), &entry));
        find.reset();
    }
    ::RemoveDirectoryW(listed.c_str());
}

void RemoveMarkerFile(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW((folder + L"*.*").c_str(), &entry));
    if (!find)
        return;
    do {
        if (IsDotEntry(entry.cFileName))
            continue;
        if (LowerAscii(entry.cFileName) == kMarkerName) {
            ::DeleteFileW((folder + kMarkerName).c_str());
            break;
        }
    } while (::FindNextFileW(find.get(), &entry));
}

uint64_t GetFileSizeByName(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(path.c_str(), &entry));
    if (!find)
        return 0;
    return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

} // namespace fs
