#include "fs/MadeFolders.h"

#include "fs/FileOps.h"
#include "fs/HeldFolder.h"
#include "support/TestFiles.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using testing_support::Exists;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

namespace {

// tree\ with plain, hidden and system files and three levels of sub-folders.
std::wstring MakeTree(const ScratchFolder& scratch)
{
    const std::wstring tree = scratch / L"tree\\";
    for (const wchar_t* folder : {L"", L"a\\", L"a\\b\\", L"a\\b\\c\\", L"empty\\"})
        ::CreateDirectoryW((tree + folder).c_str(), nullptr);
    WriteFile(tree + L"plain.txt");
    WriteFile(tree + L"hidden.dat", "h", FILE_ATTRIBUTE_HIDDEN);
    WriteFile(tree + L"a\\system.dat", "s", FILE_ATTRIBUTE_SYSTEM);
    WriteFile(tree + L"a\\b\\note.txt");
    WriteFile(tree + L"a\\b\\c\\deep.bin", "deep", FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesW((tree + L"a\\b").c_str(), FILE_ATTRIBUTE_HIDDEN);
    return tree;
}

TEST(DeleteFolderTree, RemovesEverythingWithOrWithoutTrailingBackslash)
{
    for (bool trailing : {true, false}) {
        ScratchFolder scratch;
        std::wstring tree = MakeTree(scratch);
        if (!trailing)
            tree.pop_back();
        fs::RecordMadeFolder(tree);
        EXPECT_TRUE(fs::DeleteFolderTree(tree));
        EXPECT_FALSE(Exists(tree)) << "trailing backslash: " << trailing;
        EXPECT_TRUE(Exists(scratch.path()));
    }
}

TEST(DeleteFolderTree, LeavesAReadOnlyFileWithItsFolderChain)
{
    ScratchFolder scratch;
    const std::wstring tree = MakeTree(scratch);
    WriteFile(tree + L"a\\b\\locked.txt", "keep", FILE_ATTRIBUTE_READONLY);

    fs::RecordMadeFolder(tree);
    EXPECT_FALSE(fs::DeleteFolderTree(tree));
    EXPECT_TRUE(fs::IsMadeFolder(tree)); // still ours to remove once the file lets go

    EXPECT_TRUE(Exists(tree + L"a\\b\\locked.txt"));
    EXPECT_FALSE(Exists(tree + L"a\\b\\note.txt"));
    EXPECT_FALSE(Exists(tree + L"a\\b\\c"));
    EXPECT_FALSE(Exists(tree + L"a\\system.dat"));
    EXPECT_FALSE(Exists(tree + L"plain.txt"));
    EXPECT_FALSE(Exists(tree + L"hidden.dat"));
    EXPECT_FALSE(Exists(tree + L"empty"));
}

TEST(DeleteFolderTree, IgnoresAMissingFolderAndAFile)
{
    ScratchFolder scratch;
    fs::DeleteFolderTree(scratch / L"missing\\");
    WriteFile(scratch / L"file.txt");
    fs::DeleteFolderTree(scratch / L"file.txt");
    EXPECT_TRUE(Exists(scratch / L"file.txt"));
}

TEST(DeleteFolderTree, RemovesALinkToAFolderWithoutEmptyingItsTarget)
{
    ScratchFolder scratch;
    ::CreateDirectoryW((scratch / L"precious").c_str(), nullptr);
    WriteFile(scratch / L"precious\\data.txt");
    ::CreateDirectoryW((scratch / L"tree").c_str(), nullptr);
    // Some systems answer success without making the link (Wine 8 among them).
    if (!::CreateSymbolicLinkW((scratch / L"tree\\link").c_str(), (scratch / L"precious").c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !Exists(scratch / L"tree\\link"))
        GTEST_SKIP() << "folder links cannot be made here";

    fs::RecordMadeFolder(scratch / L"tree");
    fs::DeleteFolderTree(scratch / L"tree");

    EXPECT_TRUE(Exists(scratch / L"precious\\data.txt"));
    EXPECT_FALSE(Exists(scratch / L"tree"));
}

// Whatever a caller passes, only a folder this run made goes; a drive root and the temporary
// folder never do, even when recorded. E: is a folder of the build tree (scripts/wine-env).
TEST(DeleteFolderTree, RefusesWhatThisRunDidNotMake)
{
    ScratchFolder scratch;
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring notOurs = scratch / L"not-ours\\";
    ::CreateDirectoryW(notOurs.c_str(), nullptr);
    const std::wstring sentinels[] = {std::wstring(temp) + L"sentinel.txt", L"E:\\sentinel.txt",
                                      notOurs + L"sentinel.txt"};
    for (const auto& sentinel : sentinels)
        WriteFile(sentinel, "keep");

    for (const std::wstring& folder : {std::wstring(temp), std::wstring(L"E:\\"), std::wstring(L"E:"), notOurs}) {
        SCOPED_TRACE(testing::PrintToString(folder));
        EXPECT_FALSE(fs::DeleteFolderTree(folder));
        if (folder != notOurs) { // recorded or not, a root and the temporary folder stay
            fs::RecordMadeFolder(folder);
            EXPECT_FALSE(fs::DeleteFolderTree(folder));
        }
    }
    for (const auto& sentinel : sentinels)
        EXPECT_EQ(testing_support::ReadAll(sentinel), "keep") << testing::PrintToString(sentinel);
    ::DeleteFileW(sentinels[0].c_str());
    ::DeleteFileW(sentinels[1].c_str());
}

TEST(IsProtectedFolder, DriveRootsSharesAndTheTemporaryFolder)
{
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    std::wstring tempWithout = temp;
    tempWithout.pop_back();
    for (const std::wstring& path : {std::wstring(L"C:\\"), std::wstring(L"c:"), std::wstring(L"\\\\?\\D:\\"),
                                    std::wstring(L"\\\\server\\share\\"), std::wstring(L"\\\\?\\UNC\\server\\share"),
                                    std::wstring(L""), std::wstring(temp), tempWithout})
        EXPECT_TRUE(fs::IsProtectedFolder(path)) << testing::PrintToString(path);
    for (const std::wstring& path : {std::wstring(L"C:\\Users\\"), std::wstring(temp) + L"qv_1.tmp\\",
                                    std::wstring(L"\\\\server\\share\\folder")})
        EXPECT_FALSE(fs::IsProtectedFolder(path)) << testing::PrintToString(path);
}

} // namespace

// A folder that something held when it was to go is tried again while the program runs, and
// once more at its end.
TEST(DeleteFolderTree, TriesAgainUntilTheFolderIsGone)
{
    ScratchFolder scratch;
    for (bool atTheEnd : {false, true}) {
        SCOPED_TRACE(atTheEnd ? "at the end" : "while running");
        const std::wstring tree = MakeTree(scratch);
        auto held = std::make_unique<win32::FileHandle>(::CreateFileW(
            (tree + L"plain.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(*held);
        fs::RecordMadeFolder(tree);
        EXPECT_FALSE(fs::DeleteFolderTree(tree));
        EXPECT_TRUE(Exists(tree + L"plain.txt"));
        std::thread letGo([&] {
            ::Sleep(300);
            held.reset();
        });
        if (atTheEnd) {
            fs::FinishFolderRemovals(10000);
        } else {
            for (int waited = 0; waited < 10000 && (Exists(tree) || fs::IsMadeFolder(tree)); waited += 50)
                ::Sleep(50);
        }
        letGo.join();
        EXPECT_FALSE(Exists(tree));
        EXPECT_FALSE(fs::IsMadeFolder(tree));
    }
}

namespace {

// Answers as Windows does for a link to a folder: an entry named "link" is one. Wine 8 makes no
// links; here it is a real folder standing for what a link would point to.
DWORD LinkNamedLink(HANDLE entry, const std::wstring& path)
{
    const DWORD attributes = fs::SystemRemovalCalls().attributesOf(entry, path);
    const bool isLink = path.size() >= 5 && ::_wcsicmp(path.c_str() + path.size() - 5, L"\\link") == 0;
    return isLink ? attributes | FILE_ATTRIBUTE_REPARSE_POINT : attributes;
}

} // namespace

// A link inside a folder being removed goes as a link: what it points to is never emptied. The
// folder held for removal cannot be renamed meanwhile.
TEST(HeldFolder, RemovesALinkInsideWithoutFollowingIt)
{
    ScratchFolder scratch;
    const std::wstring tree = MakeTree(scratch);
    ::CreateDirectoryW((tree + L"a\\link").c_str(), nullptr);
    WriteFile(tree + L"a\\link\\precious.txt", "keep");

    fs::HeldFolder held(tree, {LinkNamedLink});
    ASSERT_TRUE(held);
    EXPECT_FALSE(::MoveFileW(tree.substr(0, tree.size() - 1).c_str(), (scratch / L"moved").c_str()));
    held.RemoveContents();

    EXPECT_EQ(testing_support::ReadAll(tree + L"a\\link\\precious.txt"), "keep");
    EXPECT_FALSE(Exists(tree + L"plain.txt"));
    EXPECT_FALSE(Exists(tree + L"a\\b"));
    EXPECT_FALSE(Exists(tree + L"a\\system.dat"));
    // A link where the folder was expected is not opened at all.
    EXPECT_EQ(fs::HeldFolder(tree + L"a\\link", {LinkNamedLink}).state(), fs::HeldFolder::State::Link);
}

// A made folder that something else replaced between two tries (renamed away, and another put at
// its path) is not the folder that was made: neither is touched, and the tries end.
TEST(DeleteFolderTree, LeavesWhatReplacedTheFolderBetweenTwoTries)
{
    ScratchFolder scratch;
    const std::wstring tree = MakeTree(scratch);
    fs::RecordMadeFolder(tree);
    // Another program holds the folder for deletion: the first try cannot open it.
    win32::FileHandle other(::CreateFileW(tree.c_str(), DELETE | SYNCHRONIZE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(other);
    EXPECT_FALSE(fs::DeleteFolderTree(tree));
    ASSERT_TRUE(Exists(tree + L"plain.txt"));
    // It moves the folder away and puts another in its place.
    ASSERT_TRUE(::MoveFileW(tree.substr(0, tree.size() - 1).c_str(), (scratch / L"moved").c_str()));
    ::CreateDirectoryW(tree.c_str(), nullptr);
    WriteFile(tree + L"theirs.txt", "keep");
    other.reset();

    fs::FinishFolderRemovals(5000);
    EXPECT_FALSE(fs::IsMadeFolder(tree));
    EXPECT_EQ(testing_support::ReadAll(tree + L"theirs.txt"), "keep");
    EXPECT_TRUE(Exists(scratch / L"moved\\a\\b\\note.txt"));
}
