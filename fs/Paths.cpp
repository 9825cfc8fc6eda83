#include "fs/Paths.h"

namespace fs {

std::wstring WithTrailingBackslash(const std::wstring& path)
{
    if (!path.empty() && path.back() == L'\\')
        return path;
    return path + L'\\';
}

std::wstring DrivePart(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        // \\server\share: up to the backslash that ends the share name.
        size_t server_end = path.find(L'\\', 2);
        if (server_end == std::wstring::npos)
            return path;
        size_t share_end = path.find(L'\\', server_end + 1);
        return path.substr(0, share_end);
    }
    return L"";
}

std::wstring GetBaseName(const std::wstring& path)
{
    size_t name_start = path.find_last_of(L"\\:");
    name_start = (name_start == std::wstring::npos) ? 0 : name_start + 1;
    std::wstring name = path.substr(name_start);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring TrimBlanks(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && text[first] <= L' ')
        ++first;
    while (last > first && text[last - 1] <= L' ')
        --last;
    return text.substr(first, last - first);
}

bool IsSafeEntryPath(const std::wstring& path)
{
    // Rooted, network and drive paths.
    if (path.empty() || path[0] == L'\\' || path[0] == L'/')
        return false;
    if (path.size() >= 2 && path[1] == L':')
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = path.size();
        // Windows drops trailing dots and blanks from a name, so ".. " and "..." may climb too.
        const std::wstring part = path.substr(start, end - start);
        if (part.find_first_not_of(L". ") == std::wstring::npos && part.find(L"..") != std::wstring::npos)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace fs
