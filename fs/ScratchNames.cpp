#include "fs/ScratchNames.h"

namespace fs {

namespace {

bool IsNumber(const std::wstring& text)
{
    return !text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos;
}

} // namespace

std::wstring StagedName(uint32_t index, const std::wstring& place)
{
    const size_t nameStart = place.find_last_of(L'\\') + 1;
    const size_t dot = place.rfind(L'.');
    const bool extension = dot != std::wstring::npos && dot > nameStart && place.size() - dot <= kLongestStagedExtension;
    return std::to_wstring(index / kStagedPerFolder) + L"\\" + std::to_wstring(index) +
           (extension ? place.substr(dot) : L"");
}

bool IsStagedFileName(const std::wstring& name)
{
    const size_t dot = name.find(L'.');
    if (dot == std::wstring::npos)
        return IsNumber(name);
    return IsNumber(name.substr(0, dot)) && name.find(L'.', dot + 1) == std::wstring::npos &&
           name.size() - dot <= kLongestStagedExtension;
}

bool IsStagedFolderName(const std::wstring& name)
{
    return IsNumber(name);
}

} // namespace fs
