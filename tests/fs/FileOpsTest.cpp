#include "fs/FileOps.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <winioctl.h>

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
        fs::DeleteFolderTree(tree);
        EXPECT_FALSE(Exists(tree)) << "trailing backslash: " << trailing;
        EXPECT_TRUE(Exists(scratch.path()));
    }
}

TEST(DeleteFolderTree, LeavesAReadOnlyFileWithItsFolderChain)
{
    ScratchFolder scratch;
    const std::wstring tree = MakeTree(scratch);
    WriteFile(tree + L"a\\b\\locked.txt", "keep", FILE_ATTRIBUTE_READONLY);

    fs::DeleteFolderTree(tree);

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

    fs::DeleteFolderTree(scratch / L"tree");

    EXPECT_TRUE(Exists(scratch / L"precious\\data.txt"));
    EXPECT_FALSE(Exists(scratch / L"tree"));
}

TEST(RemoveMarkerFile, DeletesTheTopLevelMarkerWhateverItsCase)
{
    ScratchFolder scratch;
    const std::wstring upper = L"1E1C8EBB-9299-4834-AB8F-9E5A0C04BA8B.Quorvane";
    WriteFile(scratch / upper);
    ::CreateDirectoryW((scratch / L"sub").c_str(), nullptr);
    WriteFile(scratch / L"sub\\" + fs::kMarkerName);
    WriteFile(scratch / (std::wstring(fs::kMarkerName) + L".txt"));
    WriteFile(scratch / L"other.txt");

    fs::RemoveMarkerFile(scratch.path());

    EXPECT_FALSE(Exists(scratch / upper));
    EXPECT_TRUE(Exists(scratch / L"sub\\" + fs::kMarkerName));
    EXPECT_TRUE(Exists(scratch / (std::wstring(fs::kMarkerName) + L".txt")));
    EXPECT_TRUE(Exists(scratch / L"other.txt"));
}

TEST(RemoveMarkerFile, LeavesAFolderOfThatNameAndAMissingFolderAlone)
{
    ScratchFolder scratch;
    ::CreateDirectoryW((scratch / fs::kMarkerName).c_str(), nullptr);
    fs::RemoveMarkerFile(scratch.path());
    EXPECT_TRUE(Exists(scratch / fs::kMarkerName));
    fs::RemoveMarkerFile(scratch / L"missing\\");
}

TEST(GetFileSizeByName, GivesTheFullSixtyFourBitSize)
{
    ScratchFolder scratch;
    const std::wstring big = scratch / L"big.bin";
    {
        HANDLE file = ::CreateFileW(big.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD returned = 0;
        ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = 5LL * 1024 * 1024 * 1024;
        ASSERT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file));
        ::CloseHandle(file);
    }
    WriteFile(scratch / L"small.txt", std::string(1234, 'z'));

    EXPECT_EQ(fs::GetFileSizeByName(big), 5368709120ULL);
    EXPECT_EQ(fs::GetFileSizeByName(scratch / L"small.txt"), 1234U);
    EXPECT_EQ(fs::GetFileSizeByName(scratch / L"missing.txt"), 0U);
}

} // namespace
