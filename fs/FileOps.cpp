#include "fs/FileOps.h"

#include "fs/Paths.h"
#include "win32/Handles.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace fs {

namespace {

// Folder paths compare without regard to case or a trailing "\".
std::wstring FolderKey(const std::wstring& folder)
{
    return CaseKey(WithTrailingBackslash(folder));
}

void RemoveTree(const std::wstring& folder);

// Tries to remove a recorded folder's tree; answers whether it is gone.
bool RemoveTreeNow(const std::wstring& folder)
{
    RemoveTree(folder);
    return ::GetFileAttributesW(LongPathForm(folder).c_str()) == INVALID_FILE_ATTRIBUTES;
}

constexpr DWORD kRetryMs = 250;

// The folders this run made, each with the lock that tells other runs it is in use. A folder
// whose removal failed (a file in it still open elsewhere) is tried again on a thread of its own
// until it is gone or the program ends.
class MadeFolders {
public:
    ~MadeFolders() { StopRetrying(); }

    void Record(const std::wstring& folder, win32::FileHandle lock)
    {
        std::lock_guard<std::mutex> held(mutex_);
        Entry& entry = entries_[FolderKey(folder)];
        entry.path = folder;
        if (lock)
            entry.lock = std::move(lock);
    }

    bool Has(const std::wstring& folder)
    {
        std::lock_guard<std::mutex> held(mutex_);
        return entries_.count(FolderKey(folder)) != 0;
    }

    bool Remove(const std::wstring& folder)
    {
        const std::wstring key = FolderKey(folder);
        {
            std::lock_guard<std::mutex> held(mutex_);
            auto found = entries_.find(key);
            if (found == entries_.end())
                return false;
            found->second.lock.reset(); // the lock goes first: it is a file in the folder
        }
        const bool gone = RemoveTreeNow(folder);
        std::lock_guard<std::mutex> held(mutex_);
        auto found = entries_.find(key);
        if (found == entries_.end())
            return gone;
        if (gone) {
            entries_.erase(found);
        } else {
            found->second.retry = true;
            if (!retryRunning_) {
                if (retrying_.joinable())
                    retrying_.join(); // it has ended, or is about to return
                stopping_ = false;
                retryRunning_ = true;
                retrying_ = std::thread([this] { RetryUntilStopped(); });
            }
        }
        return gone;
    }

    void FinishRemovals(DWORD budgetMs)
    {
        const ULONGLONG deadline = ::GetTickCount64() + budgetMs;
        while (RetryOnce() && ::GetTickCount64() < deadline)
            ::Sleep(kRetryMs / 5);
        StopRetrying();
    }

private:
    struct Entry {
        std::wstring path;
        win32::FileHandle lock;
        bool retry = false;
    };

    // One more try for each folder whose removal failed; answers whether some are still there.
    bool RetryOnce()
    {
        std::vector<std::wstring> left;
        {
            std::lock_guard<std::mutex> held(mutex_);
            for (const auto& [key, entry] : entries_)
                if (entry.retry)
                    left.push_back(entry.path);
        }
        bool someStay = false;
        for (const auto& folder : left) {
            const bool gone = RemoveTreeNow(folder);
            std::lock_guard<std::mutex> held(mutex_);
            if (gone)
                entries_.erase(FolderKey(folder));
            someStay = someStay || !gone;
        }
        return someStay;
    }

    void RetryUntilStopped()
    {
        std::unique_lock<std::mutex> held(mutex_);
        while (!stopping_) {
            wake_.wait_for(held, std::chrono::milliseconds(kRetryMs));
            if (stopping_)
                break;
            held.unlock();
            const bool someStay = RetryOnce();
            held.lock();
            if (!someStay)
                break; // joined by the next start or by StopRetrying
        }
        retryRunning_ = false;
    }

    void StopRetrying()
    {
        {
            std::lock_guard<std::mutex> held(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (retrying_.joinable())
            retrying_.join();
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<std::wstring, Entry> entries_;
    std::thread retrying_;
    bool stopping_ = false;
    bool retryRunning_ = false;
};

MadeFolders& Made()
{
    static MadeFolders made;
    return made;
}

bool IsDotEntry(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

} // namespace

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool NameTaken(const std::wstring& path)
{
    return ::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ProgramPath()
{
    // A package may sit in a folder deeper than MAX_PATH: grow the buffer until the path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    // The system may hand out the "\\?\" form itself; messages and names use the plain one.
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0)
        return path.substr(4);
    return path;
}

std::wstring ProgramFolder()
{
    const std::wstring path = ProgramPath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

void CreateFolderChain(const std::wstring& path)
{
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.size() < 3 || FolderExists(folder))
        return;
    size_t parent_end = folder.find_last_of(L'\\');
    if (parent_end != std::wstring::npos && parent_end > 0)
        CreateFolderChain(folder.substr(0, parent_end + 1));
    ::CreateDirectoryW(LongPathForm(folder).c_str(), nullptr);
}

void FolderChainMaker::MakeParentOf(const std::wstring& file)
{
    std::wstring folder = file.substr(0, file.find_last_of(L'\\') + 1);
    if (made_.count(folder) == 0) {
        CreateFolderChain(folder);
        made_.insert(std::move(folder));
    }
}

void RecordMadeFolder(const std::wstring& folder, win32::FileHandle lock)
{
    Made().Record(folder, std::move(lock));
}

bool IsMadeFolder(const std::wstring& folder)
{
    return Made().Has(folder);
}

void FinishFolderRemovals(DWORD budgetMs)
{
    Made().FinishRemovals(budgetMs);
}

std::wstring TemporaryFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    return (length > 0 && length <= MAX_PATH) ? std::wstring(buffer, length) : std::wstring();
}

bool IsProtectedFolder(const std::wstring& folder)
{
    // Without its trailing "\": "C:", "\\server\share", "\\?\C:" and the like are roots.
    std::wstring path = folder;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    if (path.empty())
        return true;
    for (const wchar_t* prefix : {L"\\\\?\\", L"\\\\.\\"})
        if (path.rfind(prefix, 0) == 0)
            path.erase(0, 4);
    if (path.rfind(L"UNC\\", 0) == 0)
        path = L"\\" + path.substr(3);
    if (DrivePart(path) == path)
        return true;
    const std::wstring temp = TemporaryFolder();
    return !temp.empty() && FolderKey(temp) == FolderKey(path);
}

bool DeleteFolderTree(const std::wstring& folder)
{
    if (IsProtectedFolder(folder))
        return false;
    return Made().Remove(folder);
}

namespace {

void RemoveTree(const std::wstring& folder)
{
    if (!FolderExists(folder))
        return;
    const std::wstring listed = WithTrailingBackslash(folder);

    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(LongPathForm(listed + L"*").c_str(), &entry));
    if (find) {
        do {
            if (IsDotEntry(entry.cFileName))
                continue;
            const std::wstring path = listed + entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW(LongPathForm(path).c_str());
            else if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                ::RemoveDirectoryW(LongPathForm(path).c_str()); // the link only, not what it points to
            else
                RemoveTree(path);
        } while (::FindNextFileW(find.get(), &entry));
        find.reset();
    }
    ::RemoveDirectoryW(LongPathForm(listed).c_str());
}

} // namespace

void RemoveEmptyFolders(const std::wstring& folder)
{
    const std::wstring listed = WithTrailingBackslash(folder);
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(LongPathForm(listed + L"*").c_str(), &entry));
    if (find) {
        do {
            if (!IsDotEntry(entry.cFileName) && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveEmptyFolders(listed + entry.cFileName);
        } while (::FindNextFileW(find.get(), &entry));
    }
    find.reset();
    ::RemoveDirectoryW(LongPathForm(listed).c_str()); // refused while anything is left in it
}

void RemoveEmptyParents(const std::wstring& folder, const std::wstring& stop)
{
    const std::wstring end = WithTrailingBackslash(stop);
    std::wstring path = WithTrailingBackslash(folder);
    if (end.size() < 3 || path.size() <= end.size() || ::_wcsnicmp(path.c_str(), end.c_str(), end.size()) != 0)
        return; // stop is not above folder
    for (;;) {
        path.pop_back();
        path.erase(path.find_last_of(L'\\') + 1);
        if (path.size() <= end.size())
            return;
        // One that is not there (never made, or gone already) does not end the walk.
        if (!::RemoveDirectoryW(LongPathForm(path).c_str()) && FolderExists(path))
            return;
    }
}


std::wstring FullPathOf(const std::wstring& path)
{
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    return (length > 0 && length < full.size()) ? full.substr(0, length) : path;
}

std::wstring ExistingAncestor(const std::wstring& path)
{
    std::wstring folder = path;
    while (!folder.empty() && !FolderExists(folder)) {
        while (!folder.empty() && folder.back() == L'\\')
            folder.pop_back();
        const size_t parent = folder.find_last_of(L'\\');
        folder = parent == std::wstring::npos ? std::wstring() : folder.substr(0, parent + 1);
    }
    return folder;
}

namespace {

// The serial number of the volume that holds path; 0 when the system cannot say.
DWORD VolumeSerialOf(const std::wstring& path)
{
    const win32::FileHandle opened(::CreateFileW(LongPathForm(path).c_str(), FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!opened || !::GetFileInformationByHandle(opened.get(), &information))
        return 0;
    return information.dwVolumeSerialNumber;
}

} // namespace

bool OnOneVolume(const std::wstring& first, const std::wstring& second)
{
    const DWORD serial = VolumeSerialOf(first);
    return serial != 0 && serial == VolumeSerialOf(second);
}

int64_t FreeBytesForUser(const std::wstring& folder)
{
    ULARGE_INTEGER available{}, total{}, free{};
    if (folder.empty() || !::GetDiskFreeSpaceExW(LongPathForm(WithTrailingBackslash(folder)).c_str(), &available,
                                                  &total, &free))
        return -1;
    return available.QuadPart > static_cast<ULONGLONG>(INT64_MAX) ? INT64_MAX
                                                                  : static_cast<int64_t>(available.QuadPart);
}

uint64_t GetFileSizeByName(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    win32::FindHandle find(::FindFirstFileW(LongPathForm(path).c_str(), &entry));
    if (!find)
        return 0;
    return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

} // namespace fs
