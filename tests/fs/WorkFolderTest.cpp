#include "fs/WorkFolder.h"

#include "fs/FileOps.h"
#include "fs/MadeFolders.h"
#include "fs/Paths.h"
#include "win32/Error.h"
#include "win32/Security.h"
#include "support/AccessList.h"
#include "support/TestFiles.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

using testing_support::Exists;
using testing_support::ScratchFolder;

namespace {

constexpr int64_t kTenMiB = 10 * 1024 * 1024;

std::wstring TempFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return temp;
}

// Free space the way a test wants it: the temporary folder's drive, and letter drives by name.
// Drives not named have nothing free, as a missing drive would.
struct FakeDrives {
    static inline int32_t tempFreeMB = 0;
    static inline std::map<std::wstring, int32_t> letterFreeMB;
    static inline std::vector<std::wstring> asked;
    static inline bool promptsSuppressed = true;
    static inline std::set<std::wstring> withoutAccessLists; // roots, "D:\"

    static int32_t Query(const std::wstring& path)
    {
        asked.push_back(path);
        if (!(::GetThreadErrorMode() & SEM_FAILCRITICALERRORS))
            promptsSuppressed = false;
        if (path == TempFolder())
            return tempFreeMB;
        auto found = letterFreeMB.find(path);
        return found == letterFreeMB.end() ? 0 : found->second;
    }

    static fs::WorkFolderCalls Calls()
    {
        fs::WorkFolderCalls calls = fs::SystemWorkFolderCalls();
        calls.driveFreeMB = Query;
        calls.keepsAccessLists = [](const std::wstring& root) { return withoutAccessLists.count(root) == 0; };
        return calls;
    }

    static void Set(int32_t temp, std::map<std::wstring, int32_t> letters)
    {
        tempFreeMB = temp;
        letterFreeMB = std::move(letters);
        asked.clear();
        promptsSuppressed = true;
        withoutAccessLists.clear();
    }
};

// Removes the folders a test made, whatever the assertions said.
struct MadeFolders {
    std::vector<std::wstring> paths;
    ~MadeFolders()
    {
        for (const auto& p : paths) {
            fs::DeleteFolderTree(p); // with its lock, which only the program can let go of
            ScratchFolder::Remove(p);
        }
    }
    std::wstring Keep(std::wstring path)
    {
        paths.push_back(path);
        return path;
    }
};

bool IsUniqueNameUnder(const std::wstring& folder, const std::wstring& base)
{
    if (folder.rfind(base, 0) != 0 || folder.back() != L'\\')
        return false;
    const std::wstring name = folder.substr(base.size(), folder.size() - base.size() - 1);
    // The system writes the extension as ".TMP" (Wine: ".tmp").
    return name.rfind(L"qv_", 0) == 0 && name.size() > 7 &&
           ::_wcsicmp(name.substr(name.size() - 4).c_str(), L".TMP") == 0;
}

// Where the working folder goes: in the temporary folder when its drive has the room, else
// directly under the first drive root with more than the room (one that keeps access lists
// first), else in the temporary folder all the same. Each time a fresh folder is made.
TEST(SelectWorkFolder, ChoosesWhereThereIsRoom)
{
    const std::wstring temp = TempFolder();
    std::vector<std::wstring> everyDrive{temp};
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
        everyDrive.push_back(std::wstring(1, letter) + L":");
    const struct {
        const char* why;
        int64_t needed;
        int32_t tempFreeMB;
        std::map<std::wstring, int32_t> drivesFreeMB;
        std::set<std::wstring> withoutAccessLists;
        bool temporaryFolderKnown;
        std::wstring base;               // where the folder is made
        std::vector<std::wstring> asked; // the free space asked, in order; not checked when empty
    } cases[] = {
        {"the temporary folder has room", kTenMiB, 50, {{L"C:", 1000}}, {}, true, temp, {temp}},
        {"under one mebibyte nothing at all is needed", 500000, 0, {}, {}, true, temp, {}},
        {"the temporary folder with exactly the room", kTenMiB, 10, {{L"C:", 1000}}, {}, true, temp, {}},
        {"a drive needs more than the room; a missing one is passed", kTenMiB, 9,
         {{L"C:", 10}, {L"E:", 11}, {L"F:", 5000}}, {}, true, L"E:\\", {temp, L"C:", L"D:", L"E:"}},
        {"nothing has the room", kTenMiB, 5, {{L"C:", 5}, {L"E:", 10}, {L"Z:", 2}}, {}, true, temp, everyDrive},
        {"no temporary folder: only the drives are asked", kTenMiB, 0, {{L"E:", 5000}}, {}, false, L"E:\\",
         {L"C:", L"D:", L"E:"}},
        {"a drive that keeps access lists first", kTenMiB, 0, {{L"D:", 5000}, {L"E:", 5000}}, {L"D:\\"}, true,
         L"E:\\", {}},
        {"one that keeps none when no other has room", kTenMiB, 0, {{L"E:", 5000}}, {L"E:\\"}, true, L"E:\\", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        MadeFolders made;
        FakeDrives::Set(c.tempFreeMB, c.drivesFreeMB);
        FakeDrives::withoutAccessLists = c.withoutAccessLists;
        fs::WorkFolderCalls calls = FakeDrives::Calls();
        if (!c.temporaryFolderKnown)
            calls.temporaryFolder = [] { return std::wstring(); };
        const std::wstring folder = made.Keep(fs::SelectWorkFolder(c.needed, calls));

        EXPECT_TRUE(IsUniqueNameUnder(folder, c.base)) << testing::PrintToString(folder);
        EXPECT_TRUE(fs::FolderExists(folder));
        EXPECT_TRUE(fs::IsMadeFolder(folder));
        if (!c.asked.empty()) {
            EXPECT_EQ(FakeDrives::asked, c.asked);
        }
        EXPECT_TRUE(FakeDrives::promptsSuppressed); // no "insert a disk" box for an empty drive
    }
}

TEST(SelectWorkFolder, GivesANewFolderEachTime)
{
    MadeFolders made;
    FakeDrives::Set(50, {});
    const std::wstring first = made.Keep(fs::SelectWorkFolder(kTenMiB, FakeDrives::Calls()));
    const std::wstring second = made.Keep(fs::SelectWorkFolder(kTenMiB, FakeDrives::Calls()));
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::FolderExists(first));
    EXPECT_TRUE(fs::FolderExists(second));
}

TEST(SelectWorkFolder, RestoresTheThreadErrorModeAfterTheScan)
{
    MadeFolders made;
    DWORD before = ::GetThreadErrorMode();
    FakeDrives::Set(0, {{L"E:", 100}});
    made.Keep(fs::SelectWorkFolder(kTenMiB, FakeDrives::Calls()));
    EXPECT_TRUE(FakeDrives::promptsSuppressed);
    EXPECT_EQ(::GetThreadErrorMode(), before);
}

TEST(SelectWorkFolder, WorksWithTheSystemsOwnFreeSpace)
{
    MadeFolders made;
    const std::wstring folder = made.Keep(fs::SelectWorkFolder(kTenMiB));
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(fs::FolderExists(folder));
}

// When no unique name can be made, or the system names no temporary folder and no drive has room,
// there is no working folder: an error says so, and nothing that was there before is handed out.
TEST(SelectWorkFolder, FailsClearlyWhenNoFreshFolderCanBeMade)
{
    MadeFolders made;
    FakeDrives::Set(50, {{L"E:", 5000}});
    fs::WorkFolderCalls noName = FakeDrives::Calls();
    noName.uniqueName = [](const std::wstring&, std::wstring&) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    };
    fs::WorkFolderCalls noTemp = FakeDrives::Calls();
    noTemp.temporaryFolder = [] { return std::wstring(); };

    try {
        made.Keep(fs::SelectWorkFolder(kTenMiB, noName));
        ADD_FAILURE() << "no error";
    } catch (const win32::Error& e) {
        EXPECT_EQ(e.message().rfind(L"Cannot create a working folder in \"" + TempFolder() + L"\". ", 0), 0u)
            << testing::PrintToString(e.message());
    }
    FakeDrives::Set(50, {});
    try {
        made.Keep(fs::SelectWorkFolder(kTenMiB, noTemp));
        ADD_FAILURE() << "no error";
    } catch (const win32::Error& e) {
        EXPECT_NE(e.message().find(L"no drive has room"), std::wstring::npos) << testing::PrintToString(e.message());
    }
    EXPECT_FALSE(fs::IsMadeFolder(TempFolder()));
}

TEST(GetDriveFreeMB, AsksTheDriveOfThePath)
{
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(::GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
    const int64_t expectedMB = static_cast<int64_t>(free.QuadPart / 1024 / 1024);
    // Other processes write to the disk too: allow a little movement between the two questions.
    EXPECT_NEAR(fs::GetDriveFreeMB(L"C:\\windows\\temp\\"), expectedMB, 64);
    EXPECT_NEAR(fs::GetDriveFreeMB(L"C:"), expectedMB, 64);
    EXPECT_EQ(fs::GetDriveFreeMB(L"Q:\\nothing\\here\\"), 0);
}

} // namespace

namespace {

// The calls of a sweep in which every drive keeps access lists but those named.
fs::WorkFolderCalls SweepCalls(std::set<std::wstring> withoutAccessLists = {})
{
    FakeDrives::Set(0, {});
    FakeDrives::withoutAccessLists = std::move(withoutAccessLists);
    return FakeDrives::Calls();
}

// A folder made as the program makes its own (private), or as folders are made by default.
void MakeFolder(const std::wstring& path, bool privateList)
{
    win32::PrivateSecurity security;
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), privateList ? security.attributes() : nullptr));
}

FILETIME LastWriteOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool operator==(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

// What a run ended without warning leaves goes at the next start; nothing else does, whatever its
// name and files: a folder is swept only when it proves to be one the program made for this
// account, and nothing is written into any other (its time of last change stays), not even the
// lock that the sweep takes in a folder proved to be ours.
TEST(SweepAbandonedFolders, RemovesOnlyAbandonedFoldersOfOurs)
{
    ScratchFolder base;
    struct Case {
        const wchar_t* folder;
        bool privateList; // made as the program makes its folders
        std::vector<const wchar_t*> files;
        bool removed;
    };
    const Case cases[] = {
        {L"qv_1a.tmp", true, {L"tmp.dat", L"7z.dll", L"en.txt"}, true},   // a working folder
        {L"QV_B2C3.TMP", true, {L"7z.dll", L"en.txt"}, true},             // the system's spelling
        {L"qv_2b.tmp", true, {L"0\\12.txt", L"0\\3", L"1\\400.quorvane"}, true}, // a scratch folder
        {L"qv_3c.tmp", true, {}, true},                                   // emptied already
        // Made the default way: a person's folder, another unpacker's working folder.
        {L"qv_1b.tmp", false, {L"2023.jpg", L"0\\001.jpg"}, false},
        {L"qv_2c.tmp", false, {L"en.txt"}, false},
        {L"qv_2d.tmp", false, {L"7z.dll", L"tmp.dat"}, false},           // our files, not our list
        {L"qv_2e.tmp", false, {L"0\\12.txt"}, false},
        {L"qv_2f.tmp", false, {}, false},
        // Private, but holding what no run puts there.
        {L"qv_4d.tmp", true, {L"tmp.dat", L"notes.txt"}, false},
        {L"qv_5e.tmp", true, {L"7z.dll", L"sub\\1.txt"}, false},
        {L"qv_5f.tmp", true, {L"0\\1.txt", L"0\\notes.txt"}, false},
        {L"qv_5a.tmp", true, {L"0\\1\\2.txt"}, false},
        {L"qv_6f.tmp", true, {L"12.tar.gz"}, false},
        // Private, named otherwise.
        {L"qv_12345.tmp", true, {L"tmp.dat"}, false},
        {L"qv_1g.tmp", true, {L"tmp.dat"}, false},
        {L"qv_7a.tmp.old", true, {L"tmp.dat"}, false},
        {L"other.tmp", true, {L"tmp.dat"}, false},
    };
    for (const Case& c : cases) {
        MakeFolder(base / c.folder, c.privateList);
        for (const wchar_t* file : c.files) {
            const std::wstring path = base / c.folder + L"\\" + file;
            fs::CreateFolderChain(path.substr(0, path.find_last_of(L'\\') + 1));
            testing_support::WriteFile(path);
        }
    }
    testing_support::WriteFile(base / L"qv_8b.tmp"); // a file of that name, not a folder
    // A folder in use: its run holds the lock.
    MakeFolder(base / L"qv_9c.tmp", true);
    testing_support::WriteFile(base / L"qv_9c.tmp\\tmp.dat");
    const win32::FileHandle live(::CreateFileW((base / L"qv_9c.tmp\\qv.lock").c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                               0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(live);
    // The temporary folder itself, named like ours.
    MakeFolder(base / L"qv_ad.tmp", true);
    testing_support::WriteFile(base / L"qv_ad.tmp\\tmp.dat");
    wchar_t oldTemp[MAX_PATH + 1] = {};
    const DWORD oldLength = ::GetEnvironmentVariableW(L"TMP", oldTemp, MAX_PATH + 1);
    ::SetEnvironmentVariableW(L"TMP", (base / L"qv_ad.tmp").c_str());
    const win32::ScopeExit restored{[&] { ::SetEnvironmentVariableW(L"TMP", oldLength ? oldTemp : nullptr); }};
    std::map<std::wstring, FILETIME> written;
    for (const Case& c : cases)
        written[c.folder] = LastWriteOf(base / c.folder);
    ::Sleep(20); // a write now would give another time

    fs::SweepAbandonedFolders({base.path()}, SweepCalls());

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.folder)));
        EXPECT_EQ(Exists(base / c.folder), !c.removed);
        for (const wchar_t* file : c.files)
            EXPECT_EQ(Exists(base / c.folder + L"\\" + file), !c.removed);
        if (!c.privateList) {
            EXPECT_TRUE(LastWriteOf(base / c.folder) == written[c.folder]) << "something was written into it";
        }
    }
    EXPECT_TRUE(Exists(base / L"qv_8b.tmp"));
    EXPECT_TRUE(Exists(base / L"qv_9c.tmp\\tmp.dat"));
    EXPECT_TRUE(Exists(base / L"qv_ad.tmp\\tmp.dat"));
}

// On a drive that keeps no access lists (FAT32, exFAT) nothing can be proved: nothing is swept.
TEST(SweepAbandonedFolders, LeavesEverythingOnADriveWithoutAccessLists)
{
    ScratchFolder base;
    MakeFolder(base / L"qv_1a.tmp", true);
    testing_support::WriteFile(base / L"qv_1a.tmp\\tmp.dat");
    const std::wstring root = fs::DrivePart(base.path()) + L"\\";

    fs::SweepAbandonedFolders({base.path()}, SweepCalls({root}));
    EXPECT_TRUE(Exists(base / L"qv_1a.tmp\\tmp.dat"));

    fs::SweepAbandonedFolders({base.path()}, SweepCalls());
    EXPECT_FALSE(Exists(base / L"qv_1a.tmp"));
}

TEST(SweepAbandonedFolders, LeavesALinkAndWhatItPointsTo)
{
    ScratchFolder base;
    ::CreateDirectoryW((base / L"elsewhere").c_str(), nullptr);
    testing_support::WriteFile(base / L"elsewhere\\tmp.dat");
    // Some systems answer success without making the link (Wine 8 among them).
    if (!::CreateSymbolicLinkW((base / L"qv_1a.tmp").c_str(), (base / L"elsewhere").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !Exists(base / L"qv_1a.tmp"))
        GTEST_SKIP() << "folder links cannot be made here";
    fs::SweepAbandonedFolders({base.path()}, SweepCalls());
    EXPECT_TRUE(Exists(base / L"qv_1a.tmp"));
    EXPECT_TRUE(Exists(base / L"elsewhere\\tmp.dat"));
}

// Two runs at once: the sweep of one never takes the working folder of the other, and a folder
// given back by its run is gone.
TEST(SweepAbandonedFolders, LeavesTheFolderOfARunningCopy)
{
    ScratchFolder base;
    fs::WorkFolderCalls calls = fs::SystemWorkFolderCalls();
    static std::wstring baseFolder;
    baseFolder = base.path();
    calls.temporaryFolder = [] { return baseFolder; };
    calls.driveFreeMB = [](const std::wstring&) { return 1000; };
    const std::wstring folder = fs::SelectWorkFolder(kTenMiB, calls);
    testing_support::WriteFile(folder + L"tmp.dat");

    fs::SweepAbandonedFolders({base.path()}, calls);
    EXPECT_TRUE(Exists(folder + L"tmp.dat"));
    EXPECT_TRUE(Exists(folder + L"qv.lock"));

    EXPECT_TRUE(fs::DeleteFolderTree(folder)); // its lock goes first
    EXPECT_FALSE(Exists(folder));
}

// The working folder is the current account's alone, in the temporary folder and at the root of
// another drive (E:, a folder of the build tree), and so is every file written inside it. A
// folder made as the system makes folders there is open to everyone (S-1-1-0).
TEST(SelectWorkFolder, MakesFoldersThatOnlyTheCurrentAccountAndTheSystemOpen)
{
    using testing_support::ReadAccessList;
    const std::wstring system = L"S-1-5-18", everyone = L"S-1-1-0";
    std::vector<std::wstring> expected = {testing_support::CurrentSid(), system};
    std::sort(expected.begin(), expected.end());
    const auto allowedIn = [](const std::wstring& path) {
        auto allowed = ReadAccessList(path).allowed;
        std::sort(allowed.begin(), allowed.end());
        return allowed;
    };
    ScratchFolder plain;
    EXPECT_NE(std::find(allowedIn(plain.path()).begin(), allowedIn(plain.path()).end(), everyone),
              allowedIn(plain.path()).end());

    MadeFolders made;
    for (const bool inTemp : {true, false}) {
        SCOPED_TRACE(inTemp ? "in the temporary folder" : "at the root of E:");
        FakeDrives::Set(inTemp ? 50 : 0, {{L"E:", 5000}});
        const std::wstring folder = made.Keep(fs::SelectWorkFolder(kTenMiB, FakeDrives::Calls()));
        ASSERT_EQ(IsUniqueNameUnder(folder, TempFolder()), inTemp);
        const auto list = ReadAccessList(folder);
        ASSERT_TRUE(list.read);
        EXPECT_EQ(allowedIn(folder), expected); // no Everyone, Users or Authenticated Users
        EXPECT_EQ(list.denied, 0);
        EXPECT_EQ(list.inherited, 0);
        if (testing_support::UnderWine())
            continue; // see UnderWine: the folder's permission bits are what bars the others there
        EXPECT_TRUE(list.isProtected);
        testing_support::WriteFile(folder + L"tmp.dat");
        EXPECT_EQ(allowedIn(folder + L"tmp.dat"), expected);
        EXPECT_EQ(ReadAccessList(folder + L"tmp.dat").inherited, 2); // the folder's, and only those
    }
}
