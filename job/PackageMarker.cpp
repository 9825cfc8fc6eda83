#include "job/PackageMarker.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "job/PackageFormat.h"

#include <windows.h>

namespace job {

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
    fs::ForEachEntry(folder, L"*.*", [&](const WIN32_FIND_DATAW& entry) {
        if (LowerAscii(entry.cFileName) != kMarkerName)
            return true;
        ::DeleteFileW(fs::LongPathForm(folder + kMarkerName).c_str());
        return false;
    });
}

} // namespace job
