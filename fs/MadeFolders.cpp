#include "fs/MadeFolders.h"

#include "fs/FileOps.h"
#include "fs/HeldFolder.h"
#include "fs/Paths.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace fs {

namespace {

// Folder paths compare without regard to case or a trailing "\".
std::wstring FolderKey(const std::wstring& folder)
{
    return CaseKey(WithTrailingBackslash(folder));
}

// Short enough that a folder freed by a virus scanner goes soon after; long enough that trying
// costs nothing.
constexpr DWORD kRetryMs = 250;

struct MadeFolder {
    std::wstring path;
    std::optional<FolderId> id; // none when the system could not say: then it is never removed
    win32::FileHandle lock;
    bool retry = false;
};

// Tries to remove a made folder; answers whether nothing of it is left to try: it is gone, or
// what stands at its path is no longer the folder that was made (moved away, or replaced by
// something else, which is not ours to touch).
bool RemoveNow(const std::wstring& path, const std::optional<FolderId>& id)
{
    HeldFolder folder(path);
    switch (folder.state()) {
    case HeldFolder::State::Missing:
    case HeldFolder::State::Link:
    case HeldFolder::State::NotAFolder:
        return true;
    case HeldFolder::State::Busy:
        return false;
    case HeldFolder::State::Held:
        break;
    }
    if (!id || folder.Id() != id)
        return true;
    folder.RemoveContents();
    return folder.Remove();
}

// The folders this run made. A folder whose removal failed (a file in it still open elsewhere)
// is tried again on a thread of its own until it is gone or the program ends.
class MadeFolders {
public:
    ~MadeFolders() { StopRetrying(); }

    void Record(const std::wstring& folder, win32::FileHandle lock)
    {
        const std::optional<FolderId> id = FolderIdOf(folder);
        std::lock_guard<std::mutex> held(mutex_);
        MadeFolder& entry = entries_[FolderKey(folder)];
        entry.path = folder;
        entry.id = id;
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
        std::optional<FolderId> id;
        {
            std::lock_guard<std::mutex> held(mutex_);
            auto found = entries_.find(key);
            if (found == entries_.end())
                return false;
            found->second.lock.reset(); // the lock goes first: it is a file in the folder
            id = found->second.id;
        }
        const bool done = RemoveNow(folder, id);
        std::lock_guard<std::mutex> held(mutex_);
        auto found = entries_.find(key);
        if (found == entries_.end())
            return done;
        if (done) {
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
        return done;
    }

    void FinishRemovals(DWORD budgetMs)
    {
        const ULONGLONG deadline = ::GetTickCount64() + budgetMs;
        while (RetryOnce() && ::GetTickCount64() < deadline)
            ::Sleep(kRetryMs / 5);
        StopRetrying();
    }

private:
    // One more try for each folder whose removal failed; answers whether some are still there.
    bool RetryOnce()
    {
        std::vector<std::pair<std::wstring, std::optional<FolderId>>> left;
        {
            std::lock_guard<std::mutex> held(mutex_);
            for (const auto& [key, entry] : entries_)
                if (entry.retry)
                    left.emplace_back(entry.path, entry.id);
        }
        bool someStay = false;
        for (const auto& [path, id] : left) {
            const bool done = RemoveNow(path, id);
            std::lock_guard<std::mutex> held(mutex_);
            if (done)
                entries_.erase(FolderKey(path));
            someStay = someStay || !done;
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
    std::map<std::wstring, MadeFolder> entries_;
    std::thread retrying_;
    bool stopping_ = false;
    bool retryRunning_ = false;
};

MadeFolders& Made()
{
    static MadeFolders made;
    return made;
}

} // namespace

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

} // namespace fs
