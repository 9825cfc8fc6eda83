#include "fs/Paths.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const wchar_t* path;
    const wchar_t* expected;
};

TEST(GetBaseName, DropsOnlyTheLastExtensionOfTheFileName)
{
    const PathCase cases[] = {
        {L"C:\\Users\\ann\\Downloads\\Report.pkg.exe", L"Report.pkg"},
        {L"C:\\Out\\README", L"README"},
        {L"C:\\Out\\name.", L"name"},
        {L"C:\\Out\\.profile", L""},
        {L"C:\\dir.d\\noext", L"noext"},
        {L"Report.exe", L"Report"},
        {L"\\\\server\\share\\Pkg.exe", L"Pkg"},
        {L"C:", L""},
        {L"C:Pkg.exe", L"Pkg"},
        {L"C:\\", L""},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs::GetBaseName(c.path), c.expected) << "path: " << testing::PrintToString(std::wstring(c.path));
}

TEST(DrivePart, IsTheLetterOrTheServerAndShare)
{
    const PathCase cases[] = {
        {L"C:\\Users\\x\\", L"C:"},
        {L"e:", L"e:"},
        {L"\\\\server\\share\\dir\\file", L"\\\\server\\share"},
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"relative\\dir", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs::DrivePart(c.path), c.expected);
}

} // namespace

namespace {

TEST(IsSafeEntryPath, RefusesPathsThatLeaveTheTargetFolder)
{
    const struct {
        const wchar_t* path;
        bool safe;
    } cases[] = {
        {L"readme.txt", true},
        {L"docs\\nested\\data.bin", true},
        {L"a..b\\c..", true},
        {L"..file", true},
        {L".\\here.txt", true},
        {L"", false},
        {L"..", false},
        {L"..\\evil.txt", false},
        {L"docs\\..\\..\\evil.txt", false},
        {L"docs/../evil.txt", false},
        {L"docs\\...\\evil.txt", false},
        {L"docs\\.. \\evil.txt", false},
        {L"\\Windows\\evil.dll", false},
        {L"/etc/evil", false},
        {L"\\\\server\\share\\evil", false},
        {L"C:\\evil.txt", false},
        {L"C:evil.txt", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs::IsSafeEntryPath(c.path), c.safe) << testing::PrintToString(std::wstring(c.path));
}

} // namespace
