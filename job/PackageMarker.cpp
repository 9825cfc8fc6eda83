#include "job/PackageMarker.h"

#include "fs/Paths.h"
#include "job/PackageFormat.h"
#include "win32/Handles.h"

#include <windows.h>

namespace {

std::wstring LowerAscii(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

} // namespace

void RemoveMarkerFile(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(fs::LongPathForm(folder + L"*.*").c_str(), &entry));
    if (!find)
        return;
    do {
        if (LowerAscii(entry.cFileName) == kMarkerName) {
            ::DeleteFileW(fs::LongPathForm(folder + kMarkerName).c_str());
            break;
        }
    } while (::FindNextFileW(find.get(), &entry));
}
