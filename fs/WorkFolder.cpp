#include "fs/WorkFolder.h"

#include "fs/FileOps.h"
#include "fs/HeldFolder.h"
#include "fs/MadeFolders.h"
#include "fs/Paths.h"
#include "fs/ScratchNames.h"
#include "win32/Error.h"
#include "win32/Handles.h"
#include "win32/Security.h"

#include <windows.h>

#include <limits>
#include <optional>

namespace fs {

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept
{
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

void WorkFolder::Remove() noexcept
{
    if (path_.empty())
        return;
    try {
        DeleteFolderTree(path_);
    } catch (...) {
        // Left for the retries at the end of the program, or for a later run's sweep.
    }
    path_.clear();
}

namespace {

// A name that another process took between our asking and our creating is asked for again.
constexpr int kNameAttempts = 3;

constexpr wchar_t kLockName[] = L"qv.lock";
constexpr size_t kMostHexDigits = 4;

// The lock of a folder: open with no sharing, deleted by the system when its last handle
// closes. how is CREATE_NEW for a folder just made, OPEN_ALWAYS for the sweep.
win32::FileHandle OpenLock(const std::wstring& folder, DWORD how)
{
    return win32::FileHandle(::CreateFileW(LongPathForm(WithTrailingBackslash(folder) + kLockName).c_str(),
                                           GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, how,
                                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

bool IsHex(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// "qv_" and one to four hex digits, then ".tmp", in any case: as GetTempFileNameW makes them.
bool IsWorkFolderName(const std::wstring& name)
{
    const std::wstring key = CaseKey(name);
    const size_t prefix = std::char_traits<wchar_t>::length(kOwnPrefix);
    if (key.size() < prefix + 1 + 4 || key.compare(0, prefix, CaseKey(kOwnPrefix)) != 0 ||
        key.compare(key.size() - 4, 4, L".TMP") != 0)
        return false;
    const size_t digits = key.size() - prefix - 4;
    if (digits > kMostHexDigits)
        return false;
    for (size_t i = prefix; i < prefix + digits; ++i)
        if (!IsHex(key[i]))
            return false;
    return true;
}

// A file that a run puts in its working or scratch folder.
bool IsOwnFileName(const std::wstring& name)
{
    const std::wstring key = CaseKey(name);
    for (const wchar_t* own : {kStagedArchiveName, kLibraryName, kLanguageFileName, kLockName})
        if (key == CaseKey(own))
            return true;
    return IsStagedFileName(name);
}

// Whether folder holds nothing but the files a run puts there; with numbered, in the numbered
// folders of staged files too, one level down.
bool HoldsOnlyOwnFiles(const HeldFolder& folder, bool numbered)
{
    for (const auto& [name, attributes] : folder.Entries()) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return false;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!IsOwnFileName(name))
                return false;
        } else {
            if (!numbered || !IsStagedFolderName(name))
                return false;
            const HeldFolder inner(folder.path() + name);
            if (!inner || !HoldsOnlyOwnFiles(inner, false))
                return false;
        }
    }
    return true;
}

// Sweeps one folder named as ours, held as itself from the first look to the last: only when it
// proves to be one this program made for this account is anything written into it (the lock) or
// removed from it.
void SweepFolder(const std::wstring& folder, const std::wstring& account)
{
    if (IsProtectedFolder(folder))
        return;
    HeldFolder held(folder);
    if (!held)
        return; // a link, or held by another program
    const std::optional<win32::SecurityFacts> facts = win32::ReadSecurityFacts(held.handle());
    if (!facts || !win32::IsPrivateFor(*facts, account))
        return; // a person's folder, another program's, another account's: not ours
    win32::FileHandle lock = OpenLock(held.path(), OPEN_ALWAYS);
    if (!lock)
        return; // a running copy holds it
    if (!HoldsOnlyOwnFiles(held, true) || !held.RemoveContents(kLockName))
        return; // for a later run
    lock.reset();
    held.Remove();
}

bool SystemUniqueName(const std::wstring& folder, std::wstring& name)
{
    wchar_t unique[MAX_PATH + 1] = {};
    if (!::GetTempFileNameW(folder.c_str(), kOwnPrefix, 0, unique))
        return false;
    name = unique;
    return true;
}

bool KeepsAccessLists(const std::wstring& root)
{
    DWORD flags = 0;
    return ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS);
}

// The folder that the working folder goes into; empty when there is none.
std::wstring ChooseBase(int64_t neededMB, const WorkFolderCalls& calls)
{
    const std::wstring temp = calls.temporaryFolder();
    // A drive without a medium must not make the system ask for a disk.
    win32::ThreadErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!temp.empty() && calls.driveFreeMB(temp) >= neededMB)
        return temp;
    // A folder on a drive without access lists is open to every account: such a drive is taken
    // only when no drive with room keeps them.
    std::wstring withoutAccessLists;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        const std::wstring drive{letter, L':'};
        if (calls.driveFreeMB(drive) <= neededMB)
            continue;
        if (calls.keepsAccessLists(drive + L"\\"))
            return drive + L"\\";
        if (withoutAccessLists.empty())
            withoutAccessLists = drive + L"\\";
    }
    return withoutAccessLists.empty() ? temp : withoutAccessLists;
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
    return {GetDriveFreeMB, TemporaryFolder, SystemUniqueName, KeepsAccessLists};
}

std::wstring SelectWorkFolder(int64_t requiredBytes, const WorkFolderCalls& calls)
{
    const std::wstring base = ChooseBase(requiredBytes / 1024 / 1024, calls);
    if (base.empty())
        throw win32::Error(L"There is no folder for temporary files: the system does not name one and no drive "
                           L"has room.");
    // On a drive that keeps no access lists (FAT32, exFAT) the system makes the folder all the
    // same, open to all: nothing more can be done there.
    win32::PrivateSecurity security;
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < kNameAttempts && error == ERROR_ALREADY_EXISTS; ++attempt) {
        std::wstring name;
        if (!calls.uniqueName(base, name)) {
            error = ::GetLastError();
            break;
        }
        ::DeleteFileW(name.c_str()); // the name is all we want; the folder takes its place
        if (!::CreateDirectoryW(name.c_str(), security.attributes())) {
            error = ::GetLastError();
            continue;
        }
        win32::FileHandle lock = OpenLock(name, CREATE_NEW);
        if (lock) {
            RecordMadeFolder(name, std::move(lock));
            return WithTrailingBackslash(name);
        }
        // Another run's sweep took the folder at once (it was empty): another name.
        error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_SHARING_VIOLATION || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_ACCESS_DENIED)
            error = ERROR_ALREADY_EXISTS;
    }
    throw win32::Error(L"Cannot create a working folder in \"" + base + L"\". " + win32::SystemErrorText(error));
}

std::vector<std::wstring> WorkFolderBases(const WorkFolderCalls& calls)
{
    std::vector<std::wstring> bases;
    const std::wstring temp = calls.temporaryFolder();
    if (!temp.empty())
        bases.push_back(temp);
    win32::ThreadErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        const std::wstring root{letter, L':', L'\\'};
        if (!(drives & (1u << (letter - L'A'))))
            continue;
        const UINT type = ::GetDriveTypeW(root.c_str());
        if (type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK)
            bases.push_back(root);
    }
    return bases;
}

void SweepAbandonedFolders(const std::vector<std::wstring>& bases, const WorkFolderCalls& calls,
                           const std::atomic<bool>* stop)
{
    const auto stopped = [stop] { return stop && stop->load(); };
    win32::ThreadErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const std::wstring account = win32::CurrentAccountSid();
    for (const auto& base : bases) {
        const std::wstring listed = WithTrailingBackslash(base);
        if (stopped() || !calls.keepsAccessLists(DrivePart(listed) + L"\\") || stopped())
            continue;
        std::vector<std::wstring> candidates;
        ForEachEntry(listed, kOwnPrefix + std::wstring(L"*"), [&](const WIN32_FIND_DATAW& entry) {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsWorkFolderName(entry.cFileName))
                candidates.push_back(listed + entry.cFileName + L"\\");
            return true;
        });
        for (const auto& folder : candidates)
            if (!stopped())
                SweepFolder(folder, account);
    }
}

struct BackgroundSweep::Shared {
    WorkFolderCalls calls;
    std::atomic<bool> stop{false};
};

BackgroundSweep::BackgroundSweep(const WorkFolderCalls& calls, DWORD endBudgetMs)
    : shared_(std::make_shared<Shared>()), endBudgetMs_(endBudgetMs)
{
    shared_->calls = calls;
    // The thread holds the shared state too: it may outlive this owner by a system call.
    auto* handed = new std::shared_ptr<Shared>(shared_);
    thread_.reset(::CreateThread(nullptr, 0, &BackgroundSweep::Sweep, handed, 0, nullptr));
    if (!thread_)
        delete handed; // no sweep this time
}

DWORD WINAPI BackgroundSweep::Sweep(void* handed)
{
    const std::unique_ptr<std::shared_ptr<Shared>> held(static_cast<std::shared_ptr<Shared>*>(handed));
    const Shared& shared = **held;
    try {
        SweepAbandonedFolders(WorkFolderBases(shared.calls), shared.calls, &shared.stop);
    } catch (...) {
        // Nothing swept this time (the account cannot be read, out of memory): a later run will.
    }
    return 0;
}

BackgroundSweep::~BackgroundSweep()
{
    if (thread_)
        ::WaitForSingleObject(thread_.get(), endBudgetMs_);
    shared_->stop = true;
}

} // namespace fs
