// Choosing and creating a fresh working folder where there is room for it.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fs {

// The files a run puts in its working folder. A scratch folder holds only files named by an
// entry's number, with the entry's extension, in numbered folders. Each folder also holds the
// run's lock (below).
inline constexpr wchar_t kStagedArchiveName[] = L"tmp.dat";
inline constexpr wchar_t kLibraryName[] = L"7z.dll";
inline constexpr wchar_t kLanguageFileName[] = L"en.txt";

// Free space of the drive that holds path, in whole mebibytes; 0 when the drive cannot be asked.
int32_t GetDriveFreeMB(const std::wstring& path);

// The system calls that the choice of a working folder makes. Tests replace them to make the
// conditions that Wine does not produce: drives of any size, a temporary path the system cannot
// give, a folder where no unique name can be made.
struct WorkFolderCalls {
    using DriveFreeQuery = int32_t (*)(const std::wstring& path);
    // The temporary folder with its trailing "\"; empty when the system cannot say.
    using TemporaryFolderQuery = std::wstring (*)();
    // A unique file name in folder, created as an empty file (GetTempFileNameW with the prefix
    // "qv_"); false, with the thread's last error, when none can be made.
    using UniqueNameQuery = bool (*)(const std::wstring& folder, std::wstring& name);
    // Whether the drive of root keeps access lists on its files (NTFS does; FAT32 and exFAT
    // do not).
    using AccessListQuery = bool (*)(const std::wstring& root);

    DriveFreeQuery driveFreeMB;
    TemporaryFolderQuery temporaryFolder;
    UniqueNameQuery uniqueName;
    AccessListQuery keepsAccessLists;
};

// The calls as the system answers them.
WorkFolderCalls SystemWorkFolderCalls();

// Makes a new folder named "qv_XXXX.TMP" in the temporary folder when its drive has
// requiredBytes free, else directly under the first drive root C:\ to Z:\ with more than that
// free (the first that keeps access lists, when one does), else in the temporary folder all the
// same. The folder is private: its access list is its own, for the current account and the
// system account only (win32::PrivateSecurity), and what is written inside inherits it. When the temporary folder is unknown, only
// the drives are asked. The folder holds one file, its lock, open for as long as the folder is
// the run's: nobody else can open it, and the system deletes it when the process ends, however it
// ends. Records the folder as made by this run (RecordMadeFolder) and returns its path, ending in
// "\". Raises an error when no folder can be made: never hands out a folder that was there before.
std::wstring SelectWorkFolder(int64_t requiredBytes, const WorkFolderCalls& calls = SystemWorkFolderCalls());

// A working or scratch folder of this run, made by SelectWorkFolder: removed with everything in it
// when its owner goes, or before with Remove.
class WorkFolder {
public:
    WorkFolder() = default;
    explicit WorkFolder(int64_t requiredBytes, const WorkFolderCalls& calls = SystemWorkFolderCalls())
        : path_(SelectWorkFolder(requiredBytes, calls))
    {
    }
    ~WorkFolder() { Remove(); }
    WorkFolder(WorkFolder&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    WorkFolder& operator=(WorkFolder&& other) noexcept;
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // Ends in "\"; empty once removed.
    const std::wstring& path() const { return path_; }
    // Removes the folder and what it holds (what cannot go yet is tried again, DeleteFolderTree).
    void Remove() noexcept;

private:
    std::wstring path_;
};

// The folders SelectWorkFolder chooses from: the temporary folder (when the system names one) and
// the roots of the local drives.
std::vector<std::wstring> WorkFolderBases(const WorkFolderCalls& calls);

// Removes the working and scratch folders that earlier runs abandoned (killed, crashed), in each
// of bases that lies on a drive keeping access lists (calls.keepsAccessLists; elsewhere nothing
// can be proved): a folder named as SelectWorkFolder names them that proves to be one this
// program made for the current account (owned by it, with the private access list,
// win32::IsPrivateFor), held as itself (HeldFolder) from that proof to its removal, holding
// nothing but files that runs put there, and whose lock no running copy holds (the sweep takes
// the lock itself, after the proof, so a copy starting at that moment takes another name).
// Nothing is written into any other folder; a folder that cannot be removed whole stays for a
// later run. A stop that becomes true ends the sweep before the next folder or drive.
void SweepAbandonedFolders(const std::vector<std::wstring>& bases, const WorkFolderCalls& calls,
                           const std::atomic<bool>* stop = nullptr);

// The sweep of every base (WorkFolderBases) on a thread of its own, started at once, so that a
// slow or sleeping drive holds up no window. Going, it gives the sweep up to endBudgetMs to finish
// and then tells it to stop; a sweep still inside a call to the system then ends with the
// program, and what it had not removed stays for a later run.
class BackgroundSweep {
public:
    explicit BackgroundSweep(const WorkFolderCalls& calls, DWORD endBudgetMs);
    ~BackgroundSweep();
    BackgroundSweep(const BackgroundSweep&) = delete;
    BackgroundSweep& operator=(const BackgroundSweep&) = delete;

private:
    struct Shared;
    static DWORD WINAPI Sweep(void* handed);

    std::shared_ptr<Shared> shared_;
    win32::KernelHandle thread_;
    DWORD endBudgetMs_;
};

} // namespace fs
