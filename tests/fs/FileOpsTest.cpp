#include "fs/FileOps.h"

#include "support/TestFiles.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

#include <winioctl.h>

using testing_support::Exists;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

namespace {

TEST(GetFileSizeByName, GivesTheFullSixtyFourBitSize)
{
    ScratchFolder scratch;
    const std::wstring big = scratch / L"big.bin";
    {
        const win32::FileHandle file(::CreateFileW(big.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD returned = 0;
        ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = 5LL * 1024 * 1024 * 1024;
        ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    WriteFile(scratch / L"small.txt", std::string(1234, 'z'));

    EXPECT_EQ(fs::GetFileSizeByName(big), 5368709120ULL);
    EXPECT_EQ(fs::GetFileSizeByName(scratch / L"small.txt"), 1234U);
    EXPECT_EQ(fs::GetFileSizeByName(scratch / L"missing.txt"), 0U);
}

} // namespace

// Volumes as the system numbers them, not drive letters.
TEST(OnOneVolume, TellsVolumesApart)
{
    ScratchFolder scratch;
    ::CreateDirectoryW((scratch / L"inner").c_str(), nullptr);
    EXPECT_TRUE(fs::OnOneVolume(scratch.path(), scratch / L"inner"));
    EXPECT_FALSE(fs::OnOneVolume(scratch.path(), scratch / L"missing"));
    if (fs::FolderExists(L"F:\\")) { // a file system of its own (scripts/wine-env)
        EXPECT_FALSE(fs::OnOneVolume(scratch.path(), L"F:\\"));
    }
}
