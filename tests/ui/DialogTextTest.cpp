#include "ui/ProgressWindow.h"
#include "ui/OverwriteDialog.h"
#include "ui/PasswordDialog.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace ui;
using namespace lang;
using namespace testing_support;

namespace {

TEST(SizeLine, PutsTheUnitAfterTheWholeSize)
{
    EXPECT_EQ(SizeLine(2048, L"{0} bytes"), L"2048 bytes");
    EXPECT_EQ(SizeLine(5368709120ULL, L"{0} Bytes"), L"5368709120 Bytes");
    EXPECT_EQ(SizeLine(0, L"{0} bytes "), L"0 bytes");      // Spanish keeps a trailing blank
    EXPECT_EQ(SizeLine(7, L"octets"), L"7 octets");          // no placeholder: unchanged
    EXPECT_EQ(SizeLine(7, L" {0} {0}字节 "), L"7 字节");
}

TEST(GetFileModified, IsLocalTimeInTwoSecondSteps)
{
    ScratchFolder scratch;
    EXPECT_EQ(FormatDateTime(GetFileModified(scratch / L"missing.txt"), L":"), L"1899-12-30 00:00:00");

    WriteFile(scratch / L"dated.txt");
    win32::FileHandle file(
        ::CreateFileW((scratch / L"dated.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    SYSTEMTIME local{2024, 5, 5, 17, 9, 30, 13, 0};
    SYSTEMTIME universal;
    ::TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal);
    FILETIME written;
    ::SystemTimeToFileTime(&universal, &written);
    ::SetFileTime(file.get(), nullptr, nullptr, &written);
    file.reset();
    EXPECT_EQ(FormatDateTime(GetFileModified(scratch / L"dated.txt"), L":"), L"2024-05-17 09:30:12");
}

TEST(IsBlank, CountsEverythingUpToTheSpaceAsBlank)
{
    EXPECT_TRUE(IsBlank(L""));
    EXPECT_TRUE(IsBlank(L"   "));
    EXPECT_TRUE(IsBlank(L" \t\r\n "));
    EXPECT_FALSE(IsBlank(L"  a "));
    EXPECT_FALSE(IsBlank(L"\x3000")); // an ideographic space is a character like any other
}

TEST(DefaultApplicationTitle, IsTheProgramNameUpToItsFirstDot)
{
    EXPECT_EQ(DefaultApplicationTitle(), L"ui_tests"); // ui_tests.exe: the first letter stays as it is
}

} // namespace
