#include "job/FilePlacement.h"
#include "job/PackageFormat.h"
#include "job/PackageMarker.h"
#include "job/Staging.h"

#include "fs/ByteStream.h"
#include "fs/FileOps.h"
#include "fs/MadeFolders.h"
#include "fs/ResourceFile.h"
#include "fs/WorkFolder.h"
#include "support/AccessList.h"
#include "support/TestFiles.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <thread>

using namespace job;
using namespace testing_support;

namespace {

TEST(TargetFolderFor, JoinsWithExactlyOneBackslash)
{
    EXPECT_EQ(TargetFolderFor(L"C:\\Out", L"Report"), L"C:\\Out\\Report\\");
    EXPECT_EQ(TargetFolderFor(L"C:\\Out\\", L"Report"), L"C:\\Out\\Report\\");
    EXPECT_EQ(TargetFolderFor(L"D:\\", L"Report.pkg"), L"D:\\Report.pkg\\");
}

TEST(CopyPayload, CopiesInBlocksOfAtMostSixtyKilobytes)
{
    const struct {
        int64_t size;
        std::vector<int64_t> remainingAfterBlocks;
    } cases[] = {
        {0, {}},
        {1, {0}},
        {61440, {0}},
        {61441, {1, 0}},
        {3 * 61440 + 5, {2 * 61440 + 5, 61440 + 5, 5, 0}},
    };
    for (const auto& c : cases) {
        ScratchFolder scratch;
        std::string content(static_cast<size_t>(c.size) + 7, '\0');
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>(i * 31 + 7);
        WriteFile(scratch / L"from.bin", content);
        auto from = fs::ByteStream::OpenRead(scratch / L"from.bin");
        from->Seek(7, fs::ByteStream::FromStart);
        std::vector<int64_t> seen;
        {
            auto to = fs::ByteStream::Create(scratch / L"to.bin");
            CopyPayload(*from, *to, c.size, [&](int64_t left) {
                seen.push_back(left);
                return true;
            });
        }
        EXPECT_EQ(seen, c.remainingAfterBlocks) << c.size;
        EXPECT_EQ(ReadAll(scratch / L"to.bin"), content.substr(7)) << c.size;
    }
}

TEST(CopyPayload, StopsWhenAskedAndFailsOnAShortRead)
{
    ScratchFolder scratch;
    WriteFile(scratch / L"from.bin", std::string(200000, 'p'));
    auto from = fs::ByteStream::OpenRead(scratch / L"from.bin");
    auto to = fs::ByteStream::Create(scratch / L"to.bin");
    int blocks = 0;
    CopyPayload(*from, *to, 200000, [&](int64_t) { return ++blocks < 2; });
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(to->Size(), 2u * 61440);

    try {
        CopyPayload(*from, *to, 200000, [](int64_t) { return true; }); // only 77,120 bytes are left
        FAIL() << "a short read passed";
    } catch (const win32::Error& e) {
        EXPECT_EQ(e.message(), L"Stream read error");
    }
}

TEST(MakeRenamePath, TakesTheFirstFreeNumber)
{
    ScratchFolder scratch;
    const std::wstring folder = scratch.path();
    WriteFile(folder + L"report(1).txt");
    WriteFile(folder + L"report(2).txt");
    ::CreateDirectoryW((folder + L"report(3).txt").c_str(), nullptr); // a folder takes a name too
    ::CreateDirectoryW((folder + L"notes(1)").c_str(), nullptr);

    EXPECT_EQ(MakeRenamePath(folder + L"report.txt"), folder + L"report(4).txt");
    EXPECT_EQ(MakeRenamePath(folder + L"notes"), folder + L"notes(2)");
    EXPECT_EQ(MakeRenamePath(folder + L"data.tar.gz"), folder + L"data.tar(1).gz");
    EXPECT_EQ(MakeRenamePath(folder + L"name."), folder + L"name(1).");
}

// On one volume the staged file moves there; on F:, a file system of its own (scripts/wine-env),
// the system answers "another device" and it is copied. Either way an existing target is replaced
// in one step, a new name is taken, an existing name is never taken unasked, and nothing else is
// left beside the target.
TEST(PlaceFile, MovesOnOneVolumeAndCopiesToAnother)
{
    ScratchFolder scratch;
    for (const std::wstring& folder : {scratch / L"target\\", std::wstring(L"F:\\placed\\")}) {
        SCOPED_TRACE(testing::PrintToString(folder));
        if (!fs::FolderExists(folder.substr(0, 3)))
            continue; // no drive F: here
        ::CreateDirectoryW(folder.c_str(), nullptr);
        const auto removed = win32::ScopeExit([&] { ScratchFolder::Remove(folder); });
        WriteFile(folder + L"report.txt", "old");
        WriteFile(scratch / L"1.txt", "new");
        WriteFile(scratch / L"2.txt", "fresh");
        WriteFile(scratch / L"3.txt", "unasked");

        PlaceFile(scratch / L"1.txt", folder + L"report.txt", true);
        PlaceFile(scratch / L"2.txt", folder + L"report(1).txt", false);
        EXPECT_EQ(PlaceFile(scratch / L"3.txt", folder + L"report.txt", false), PlaceResult::NameTaken);

        const std::map<std::wstring, std::string> placed = {{L"report.txt", "new"}, {L"report(1).txt", "fresh"}};
        EXPECT_EQ(FilesBelow(folder), placed);
        EXPECT_FALSE(Exists(scratch / L"1.txt")); // moved, or copied and gone
        EXPECT_FALSE(Exists(scratch / L"2.txt"));
        EXPECT_EQ(ReadAll(scratch / L"3.txt"), "unasked");
    }
}

// A file moved out of a private scratch folder takes the access list its new folder gives, as a
// file made there has: the person's files keep the security of where they land.
TEST(PlaceFile, AMovedFileTakesTheSecurityOfItsNewFolder)
{
    ScratchFolder scratch;
    const std::wstring privateFolder = fs::SelectWorkFolder(0);
    const auto removed = win32::ScopeExit([&] { fs::DeleteFolderTree(privateFolder); });
    WriteFile(privateFolder + L"1.txt", "new");
    WriteFile(scratch / L"fresh.txt", "made here");

    PlaceFile(privateFolder + L"1.txt", scratch / L"placed.txt", false);

    auto placed = ReadAccessList(scratch / L"placed.txt").allowed, fresh = ReadAccessList(scratch / L"fresh.txt").allowed;
    std::sort(placed.begin(), placed.end());
    std::sort(fresh.begin(), fresh.end());
    EXPECT_EQ(placed, fresh);
    EXPECT_EQ(ReadAll(scratch / L"placed.txt"), "new");
}

// The system refuses the move (a file in use, say): both files stay as they were, and the error
// names the target.
TEST(PlaceFile, AMoveTheSystemRefusesKeepsBothFiles)
{
    ScratchFolder scratch;
    WriteFile(scratch / L"staged.txt", "new");
    WriteFile(scratch / L"kept.txt", "precious");
    PlacementCalls calls = SystemPlacementCalls();
    calls.renameStaged = [](HANDLE, const std::wstring&, bool) -> DWORD { return ERROR_SHARING_VIOLATION; };
    try {
        PlaceFile(scratch / L"staged.txt", scratch / L"kept.txt", true, {}, calls);
        FAIL() << "a refused move passed";
    } catch (const win32::Error& e) {
        EXPECT_NE(e.message().find(scratch / L"kept.txt"), std::wstring::npos);
    }
    EXPECT_EQ(ReadAll(scratch / L"kept.txt"), "precious");
    EXPECT_EQ(ReadAll(scratch / L"staged.txt"), "new");
    EXPECT_THROW(PlaceFile(scratch / L"missing.txt", scratch / L"kept.txt", true, {}, calls), win32::Error);
    EXPECT_EQ(ReadAll(scratch / L"kept.txt"), "precious");
}

// The copy beside the target takes a new name of its own: the person's files beside it, under the
// name such copies once had among them, stay as they are, and nothing is left beside the target.
TEST(PlaceFile, TheCopyBesideTheTargetNeverTakesAnExistingFile)
{
    ScratchFolder scratch;
    WriteFile(scratch / L"staged.txt", "new");
    const std::wstring folder = scratch / L"target\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::map<std::wstring, std::string> before = {
        {L"report.txt", "old"}, {L"report.txt.qv_part", "mine"}, {L"report.txt.tmp", "mine too"}};
    for (const auto& [name, bytes] : before)
        WriteFile(folder + name, bytes);
    // As from another volume: the copy path.
    PlacementCalls calls = SystemPlacementCalls();
    calls.renameStaged = [](HANDLE, const std::wstring&, bool) -> DWORD { return ERROR_NOT_SAME_DEVICE; };

    PlaceFile(scratch / L"staged.txt", folder + L"report.txt", true, {}, calls);
    auto after = before;
    after[L"report.txt"] = "new";
    EXPECT_EQ(FilesBelow(folder), after);
}

// Another program holds a file for a while, as a virus scanner does that reads each file just
// written: open for reading, sharing reading and writing but not deleting. Placement waits for it;
// a staged file held past the wait is copied (the copy reads with sharing); a target held past the
// wait is an error naming it, and the person's file stays as it was.
TEST(PlaceFile, WaitsForAFileThatAnotherProgramHolds)
{
    const struct {
        const char* what;
        bool holdTarget; // else the staged file
        DWORD heldMs; // INFINITE: until placement has given up
        bool placed;
        bool stagedStays; // held past the wait: it is copied, and goes with its scratch folder
    } cases[] = {
        {"the staged file, briefly: it moves once let go", false, 300, true, false},
        {"the staged file, past the wait: it is copied", false, INFINITE, true, true},
        {"the target, briefly: it is replaced once let go", true, 300, true, false},
        {"the target, past every try: an error", true, INFINITE, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder scratch;
        const std::wstring staged = scratch / L"1.txt", target = scratch / L"report.txt";
        WriteFile(staged, "new");
        WriteFile(target, "precious");
        win32::KernelHandle letGo(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        win32::KernelHandle holding(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::thread holder([&] {
            const win32::FileHandle held(::CreateFileW((c.holdTarget ? target : staged).c_str(), GENERIC_READ,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            ::SetEvent(holding.get());
            ::WaitForSingleObject(letGo.get(), c.heldMs);
        });
        ::WaitForSingleObject(holding.get(), INFINITE); // held before placement begins
        std::wstring error;
        try {
            EXPECT_EQ(PlaceFile(staged, target, true), PlaceResult::Placed);
        } catch (const win32::Error& e) {
            error = e.message();
        }
        EXPECT_EQ(Exists(staged), c.stagedStays);
        ::SetEvent(letGo.get());
        holder.join();
        if (c.placed) {
            EXPECT_EQ(error, L"");
            EXPECT_EQ(ReadAll(target), "new");
        } else {
            EXPECT_NE(error.find(L"\"" + target + L"\""), std::wstring::npos) << testing::PrintToString(error);
            EXPECT_EQ(ReadAll(target), "precious");
            EXPECT_EQ(ReadAll(staged), "new");
        }
        EXPECT_EQ(FilesBelow(scratch.path()).size(), c.stagedStays ? 2u : 1u); // no part file beside it
    }
}

// A cancel ends the wait at once: nothing is placed, nothing is lost.
TEST(PlaceFile, ACancelEndsTheWait)
{
    ScratchFolder scratch;
    const std::wstring staged = scratch / L"1.txt", target = scratch / L"report.txt";
    WriteFile(staged, "new");
    WriteFile(target, "precious");
    const win32::FileHandle held(::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    int asked = 0;
    EXPECT_EQ(PlaceFile(staged, target, true, [&] { return ++asked > 2; }), PlaceResult::Cancelled);
    EXPECT_EQ(ReadAll(target), "precious");
    EXPECT_EQ(ReadAll(staged), "new");
}

// A folder that lets nobody create files (the system's protection against ransomware, say) says
// so at the first refusal: the copy beside the target does not try a thousand names and then
// call the file existing.
TEST(PlaceFile, AFolderThatRefusesNewFilesSaysSoAtOnce)
{
    ScratchFolder scratch;
    WriteFile(scratch / L"staged.txt", "new");
    PlacementCalls calls = SystemPlacementCalls();
    static int tries;
    tries = 0;
    calls.renameStaged = [](HANDLE, const std::wstring&, bool) -> DWORD { return ERROR_NOT_SAME_DEVICE; };
    calls.createPart = [](const std::wstring& path) -> std::unique_ptr<fs::ByteStream> {
        ++tries;
        throw win32::FileError(L"Cannot create file", path, ERROR_ACCESS_DENIED);
    };
    try {
        PlaceFile(scratch / L"staged.txt", scratch / L"report.txt", false, {}, calls);
        FAIL() << "a refused file passed";
    } catch (const win32::Error& e) {
        EXPECT_EQ(e.message(), L"Cannot write file \"" + scratch / L"report.txt" + L"\". " +
                                   win32::SystemErrorText(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(tries, 1);
}

// The copy fails part-way: drive F: (4 MiB, see scripts/wine-env) fills up half way through it.
TEST(PlaceFile, ACopyThatFailsPartWayKeepsTheOldFileAndLeavesNoPart)
{
    if (!fs::FolderExists(L"F:\\"))
        GTEST_SKIP() << "no small drive F: here";
    ScratchFolder scratch;
    WriteFile(scratch / L"large.bin", std::string(6 << 20, 'n'));
    const std::wstring target = L"F:\\kept.txt";
    WriteFile(target, "precious");
    try {
        PlaceFile(scratch / L"large.bin", target, true);
        FAIL() << "a failed copy passed";
    } catch (const win32::Error& e) {
        EXPECT_NE(e.message().find(target), std::wstring::npos) << testing::PrintToString(e.message());
    }
    EXPECT_EQ(ReadAll(target), "precious");
    ::DeleteFileW(target.c_str());
    EXPECT_TRUE(FilesBelow(L"F:\\").empty()); // no part of the copy
}

// A write that fails says which file and why, in every place that writes: the staged archive, the
// library and language files. A file that could not be written whole is gone.
TEST(EveryWrite, ThatFailsNamesTheFileAndTheSystemsReason)
{
    if (!fs::FolderExists(L"F:\\"))
        GTEST_SKIP() << "no small drive F: here";
    ScratchFolder scratch;
    WriteFile(scratch / L"payload.bin", std::string(6 << 20, 'p'));
    const std::wstring staged = L"F:\\tmp.dat", library = L"F:\\7z.dll";
    const std::pair<std::wstring, std::function<void()>> writes[] = {
        {staged,
         [&] {
             auto from = fs::ByteStream::OpenRead(scratch / L"payload.bin");
             auto to = fs::ByteStream::Create(staged);
             CopyPayload(*from, *to, 6 << 20, [](int64_t) { return true; });
         }},
        {library, [&] { fs::SaveResourceToFile(L"7z_dll", L"FILE", library); }},
    };
    for (const auto& [path, write] : writes) {
        // All but a few kilobytes of F: taken.
        const int64_t free = fs::FreeBytesForUser(L"F:\\");
        WriteFile(L"F:\\filler.bin", std::string(static_cast<size_t>(std::max<int64_t>(free - 8192, 0)), 'f'));
        const std::wstring message = MessageOf(write);
        EXPECT_NE(message.find(L"\"" + path + L"\""), std::wstring::npos) << testing::PrintToString(message);
        EXPECT_NE(message.find(win32::SystemErrorText(ERROR_DISK_FULL)), std::wstring::npos)
            << testing::PrintToString(message);
        if (path == library) {
            EXPECT_FALSE(Exists(path));
        }
        ::DeleteFileW(path.c_str());
        ::DeleteFileW(L"F:\\filler.bin");
    }
}

} // namespace

TEST(RemoveMarkerFile, DeletesTheTopLevelMarkerWhateverItsCase)
{
    ScratchFolder scratch;
    const std::wstring upper = L"1E1C8EBB-9299-4834-AB8F-9E5A0C04BA8B.Quorvane";
    WriteFile(scratch / upper);
    ::CreateDirectoryW((scratch / L"sub").c_str(), nullptr);
    WriteFile(scratch / L"sub\\" + kMarkerName);
    WriteFile(scratch / (std::wstring(kMarkerName) + L".txt"));
    WriteFile(scratch / L"other.txt");

    RemoveMarkerFile(scratch.path());

    EXPECT_FALSE(Exists(scratch / upper));
    EXPECT_TRUE(Exists(scratch / L"sub\\" + kMarkerName));
    EXPECT_TRUE(Exists(scratch / (std::wstring(kMarkerName) + L".txt")));
    EXPECT_TRUE(Exists(scratch / L"other.txt"));
}

TEST(RemoveMarkerFile, LeavesAFolderOfThatNameAndAMissingFolderAlone)
{
    ScratchFolder scratch;
    ::CreateDirectoryW((scratch / kMarkerName).c_str(), nullptr);
    RemoveMarkerFile(scratch.path());
    EXPECT_TRUE(Exists(scratch / kMarkerName));
    RemoveMarkerFile(scratch / L"missing\\");
}
