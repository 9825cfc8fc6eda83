#include "fs/WorkFolder.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <windows.h>

#include <limits>

std::wstring g_sWorkDir;

namespace fs {

namespace {

// A name that another process took between our asking and our creating is asked for again.
constexpr int kNameAttempts = 3;

bool SystemUniqueName(const std::wstring& folder, std::wstring& name)
{
    wchar_t unique[MAX_PATH + 1] = {};
    if (!::GetTempFileNameW(folder.c_str(), L"qv_", 0, unique))
        return false;
    name = unique;
    return true;
}

// The folder that the working folder goes into; empty when there is none.
std::wstring ChooseBase(int64_t neededMB, const WorkFolderCalls& calls)
{
    const std::wstring temp = calls.temporaryFolder();
    // A drive without a medium must not make the system ask for a disk.
    win32::ThreadErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!temp.empty() && calls.driveFreeMB(temp) >= neededMB)
        return temp;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        const std::wstring drive{letter, L':'};
        if (calls.driveFreeMB(drive) > neededMB)
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

WorkFolderCalls SystemWorkFolderCalls()
{
    return {GetDriveFreeMB, TemporaryFolder, SystemUniqueName};
}

WorkFolderCalls& CurrentWorkFolderCalls()
{
    static WorkFolderCalls calls = SystemWorkFolderCalls();
    return calls;
}

std::wstring SelectWorkFolder(int64_t requiredBytes)
{
    return SelectWorkFolder(requiredBytes, CurrentWorkFolderCalls());
}

std::wstring SelectWorkFolder(int64_t requiredBytes, const WorkFolderCalls& calls)
{
    const std::wstring base = ChooseBase(requiredBytes / 1024 / 1024, calls);
    if (base.empty())
        throw win32::Error(L"There is no folder for temporary files: the system does not name one and no drive "
                           L"has room.");
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < kNameAttempts && error == ERROR_ALREADY_EXISTS; ++attempt) {
        std::wstring name;
        if (!calls.uniqueName(base, name)) {
            error = ::GetLastError();
            break;
        }
        ::DeleteFileW(name.c_str()); // the name is all we want; the folder takes its place
        if (::CreateDirectoryW(name.c_str(), nullptr)) {
            RecordMadeFolder(name);
            return WithTrailingBackslash(name);
        }
        error = ::GetLastError();
    }
    throw win32::Error(L"Cannot create a working folder in \"" + base + L"\". " + win32::SystemErrorText(error));
}

} // namespace fs
