#include "fs/Paths.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace fs {

namespace {

// The names of a path that "\\" or "/" separate, in order; one empty name for an empty path.
std::vector<std::wstring> NamesOf(const std::wstring& path)
{
    std::vector<std::wstring> names;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = path.size();
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace

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

std::wstring CaseKey(std::wstring path)
{
    ::CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

std::wstring NumberedName(const std::wstring& path, unsigned n)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const std::wstring base = GetBaseName(path);
    const std::wstring name = path.substr(path.find_last_of(L"\\:") + 1);
    return folder + base + L"(" + std::to_wstring(n) + L")" + name.substr(base.size());
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
    // Windows drops trailing dots and blanks from a name, so ".. " and "..." may climb too.
    for (const std::wstring& part : NamesOf(path))
        if (part.find_first_not_of(L". ") == std::wstring::npos && part.find(L"..") != std::wstring::npos)
            return false;
    return true;
}

namespace {

bool IsDeviceName(const std::wstring& name)
{
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (wchar_t& c : stem)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
        stem == L"CONOUT$")
        return true;
    // COM0 to COM9 and LPT0 to LPT9, and with a superscript 1, 2 or 3 (which newer Windows reserves too).
    const bool port = stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0);
    return port && ((stem[3] >= L'0' && stem[3] <= L'9') || stem[3] == L'\u00B9' || stem[3] == L'\u00B2' ||
                    stem[3] == L'\u00B3');
}

} // namespace

std::wstring MapName(const std::wstring& name)
{
    if (name.find_first_not_of(L". ") == std::wstring::npos)
        return L"_";
    std::wstring mapped = name;
    for (wchar_t& c : mapped)
        if ((c >= 1 && c <= 31) || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
            c = L'_';
    for (size_t end = mapped.size(); end > 0 && (mapped[end - 1] == L'.' || mapped[end - 1] == L' '); --end)
        mapped[end - 1] = L'_';
    if (IsDeviceName(mapped))
        mapped.insert(0, 1, L'_');
    return mapped;
}

std::wstring MapEntryPath(const std::wstring& path)
{
    std::wstring mapped;
    for (const std::wstring& name : NamesOf(path))
        mapped += (mapped.empty() ? L"" : L"\\") + MapName(name);
    return mapped;
}

size_t LongestName(const std::wstring& path)
{
    size_t longest = 0;
    for (const std::wstring& name : NamesOf(path))
        longest = std::max(longest, name.size());
    return longest;
}

std::wstring LongPathForm(const std::wstring& path)
{
    constexpr size_t kLongFrom = 260 - 12; // a folder's own limit is MAX_PATH less a file name of 8.3
    if (path.size() < kLongFrom || path.rfind(L"\\\\?\\", 0) == 0)
        return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

} // namespace fs
