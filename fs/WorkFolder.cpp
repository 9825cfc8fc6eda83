#include "fs/WorkFolder.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "win32/Handles.h"

#include <windows.h>

#include <limits>

std::wstring g_sWorkDir;

namespace fs {

namespace {

// The temporary folder, with its trailing "\". Should the system not say, the root of the
// Windows drive stands in for it.
std::wstring TemporaryFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = ::GetTempPathW(MAX_PATH - 1, buffer);
    if (length > 0 && length < MAX_PATH - 1)
        return buffer;
    wchar_t windows[MAX_PATH] = {};
    if (::GetWindowsDirectoryW(windows, MAX_PATH) >= 2)
        return DrivePart(windows) + L"\\";
    return L"C:\\";
}

std::wstring ChooseBase(int64_t neededMB, DriveFreeQuery driveFreeMB)
{
    const std::wstring temp = TemporaryFolder();
    // A drive without a medium must not make the system ask for a disk.
    win32::ThreadErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (driveFreeMB(temp) >= neededMB)
        return temp;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        const std::wstring drive{letter, L':'};
        if (driveFreeMB(drive) > neededMB)
            return drive + L"\\";
    }
    return temp;
}

} // namespace

int32_t GetDriveFreeMB(const std::wstring& path)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!::GetDiskFreeSpaceW(DrivePart(path).c_str(), &sectorsPerCluster, &bytesPerSector,
                             &freeClusters, &totalClusters))
        return 0;
    const int64_t freeBytes = static_cast<int64_t>(freeClusters) * bytesPerSector * sectorsPerCluster;
    const int64_t freeMB = freeBytes / 1024 / 1024;
    return freeMB > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                        : static_cast<int32_t>(freeMB);
}

std::wstring SelectWorkFolder(int64_t requiredBytes)
{
    return SelectWorkFolder(requiredBytes, GetDriveFreeMB);
}

std::wstring SelectWorkFolder(int64_t requiredBytes, DriveFreeQuery driveFreeMB)
{
    const std::wstring base = ChooseBase(requiredBytes / 1024 / 1024, driveFreeMB);

    std::wstring result = base;
    wchar_t unique[MAX_PATH + 1] = {};
    if (::GetTempFileNameW(base.c_str(), L"qv_", 0, unique)) {
        result = unique;
        ::DeleteFileW(unique); // the name is all we want; the folder takes its place
    }
    result = WithTrailingBackslash(result);
    CreateFolderChain(result);
    return result;
}

} // namespace fs
