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

// Names from other systems, as Windows can hold them; the mapping never opens a way out of the
// target folder (unsafe paths are refused before it).
TEST(MapEntryPath, GivesEachNameAFormWindowsHolds)
{
    const struct {
        const wchar_t* path;
        const wchar_t* mapped;
    } cases[] = {
        {L"nul.txt", L"_nul.txt"},
        {L"aux.txt", L"_aux.txt"},
        {L"con", L"_con"},
        {L"COM1.log", L"_COM1.log"},
        {L"lpt9", L"_lpt9"},
        {L"Notes 12:30.txt", L"Notes 12_30.txt"},
        {L"a.", L"a_"},
        {L"b ", L"b_"},
        {L"q?.txt", L"q_.txt"},
        {L"<a|b>*\"c\".txt", L"_a_b___c_.txt"},
        {L"tab\tname.txt", L"tab_name.txt"},
        {L"console.txt", L"console.txt"},
        {L"com10.txt", L"com10.txt"},
        {L"COM0", L"_COM0"},
        {L"lpt0.txt", L"_lpt0.txt"},
        {L"CONIN$", L"_CONIN$"},
        {L"conout$.txt", L"_conout$.txt"},
        {L"Conin$.log.txt", L"_Conin$.log.txt"},
        {L"conin$x", L"conin$x"},
        {L"COM\u00b9", L"_COM\u00b9"},
        {L"lpt\u00b3.txt", L"_lpt\u00b3.txt"},
        {L"COM\u2074", L"COM\u2074"},
        {L"docs\\nul\\con.txt", L"docs\\_nul\\_con.txt"},
        {L"docs/readme.txt", L"docs\\readme.txt"},
        {L"...", L"_"},
        {L"Gr\u00f6\u00dfe\\\u6587\u4ef6.txt", L"Gr\u00f6\u00dfe\\\u6587\u4ef6.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs::MapEntryPath(c.path), c.mapped) << testing::PrintToString(std::wstring(c.path));
    EXPECT_FALSE(fs::IsSafeEntryPath(L"..\\x")); // refused before any mapping
}

TEST(LongPathForm, OnlyLongFullPathsChange)
{
    const std::wstring deep = L"C:\\" + std::wstring(260, L'x');
    EXPECT_EQ(fs::LongPathForm(deep), L"\\\\?\\" + deep);
    EXPECT_EQ(fs::LongPathForm(L"\\\\server\\share\\" + std::wstring(260, L'x')),
              L"\\\\?\\UNC\\server\\share\\" + std::wstring(260, L'x'));
    EXPECT_EQ(fs::LongPathForm(L"\\\\?\\" + deep), L"\\\\?\\" + deep);
    EXPECT_EQ(fs::LongPathForm(L"C:\\short\\path.txt"), L"C:\\short\\path.txt");
    EXPECT_EQ(fs::LongPathForm(std::wstring(300, L'r')), std::wstring(300, L'r')); // relative: as it is
}

} // namespace
