// The package's marker entry where the job extracts: it is checked, never kept.
#pragma once

#include <string>

namespace job {

// Deletes the marker entry from the top level of folder (a path ending in "\\"), whatever the
// case of its ASCII letters.
void RemoveMarkerFile(const std::wstring& folder);

} // namespace job
