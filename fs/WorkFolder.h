// Choosing and creating a fresh working folder where there is room for it.
#pragma once

#include <cstdint>
#include <string>

// The run's working folder, ending in "\": the language file, the archive library and the staged
// archive live there. Chosen when the main window first shows; removed when it closes.
extern std::wstring g_sWorkDir;

namespace fs {

// Free space of the drive that holds path, in whole mebibytes; 0 when the drive cannot be asked.
int32_t GetDriveFreeMB(const std::wstring& path);

using DriveFreeQuery = int32_t (*)(const std::wstring& path);

// Makes a new, empty folder named "qv_XXXX.TMP" in the temporary folder when its drive has
// requiredBytes free, else directly under the first drive root C:\ to Z:\ with more than that
// free, else in the temporary folder all the same. Returns its path, ending in "\". Never fails:
// when no unique name can be made, the base folder itself is returned.
std::wstring SelectWorkFolder(int64_t requiredBytes);

// The same, with the free-space query supplied by the caller.
std::wstring SelectWorkFolder(int64_t requiredBytes, DriveFreeQuery driveFreeMB);

} // namespace fs
