// Marked where it came from: a package whose Zone.Identifier stream says it came from the Internet
// passes its mark on to every file that comes out, by every route. Under Wine a stream is written
// and read by its "name:stream" path as on Windows (it lands as a file of that name beside the
// file), so these tests run the real calls.
#include "fs/FileOps.h"
#include "job/ZoneMark.h"
#include "support/JobHarness.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace job;
using namespace testing_support;

namespace {

constexpr wchar_t kStream[] = L":Zone.Identifier";
const std::string kFromTheInternet =
    "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/\r\nHostUrl=https://example.org/Report.exe\r\n";

// The bench's package copied beside its output as Report.exe, with stream as its mark (none when
// empty); answers the copy's path.
std::wstring UseMarkedCopy(JobBench& bench, const std::string& package, const std::string& stream)
{
    const std::wstring copy = bench.scratch / L"Report.exe";
    ::CopyFileW(BuildFile("test-packages/" + package).c_str(), copy.c_str(), FALSE);
    if (!stream.empty())
        WriteFile(copy + kStream, stream);
    bench.input.programPath = copy;
    bench.target = bench.input.outputPath + L"\\Report\\";
    return copy;
}

// A file's mark; "<none>" when it has none.
std::string MarkOf(const std::wstring& path)
{
    return Exists(path + kStream) ? ReadAll(path + kStream) : "<none>";
}

std::wstring Renamed(const std::wstring& path)
{
    const size_t dot = path.rfind(L'.'), slash = path.rfind(L'\\');
    const bool extension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return extension ? path.substr(0, dot) + L"(1)" + path.substr(dot) : path + L"(1)";
}

} // namespace

// What the package says decides which mark the files get: none, or the zone with the package's
// path and address.
TEST(Job, FilesCarryThePackagesMarkWhenItCameFromTheInternet)
{
    for (const std::string& stream : {std::string(), std::string("[ZoneTransfer]\r\nZoneId=2\r\n"), kFromTheInternet,
                                      std::string("[ZoneTransfer]\r\nZoneId=4\r\n")}) {
        SCOPED_TRACE(stream);
        JobBench bench("good.exe");
        const std::wstring package = UseMarkedCopy(bench, "good.exe", stream);
        const std::string mark = MarkFor(stream, package);
        ASSERT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
        for (const auto& [path, bytes] : InputFiles())
            EXPECT_EQ(MarkOf(bench.target + path), mark.empty() ? "<none>" : mark) << testing::PrintToString(path);
        EXPECT_EQ(MarkOf(bench.target + L"docs"), "<none>"); // folders get none
        EXPECT_EQ(MarkOf(bench.target + L"empty"), "<none>");
    }
}

// Every route a file takes gets it: straight in, staged and placed by each answer, and copied to
// another volume (F:, see scripts/wine-env). A file the person keeps is left as it was.
TEST(Job, EveryPlacedFileIsMarked)
{
    const struct {
        const char* what;
        std::wstring output; // empty: the bench's own
        OverwriteAnswer answer;
    } routes[] = {
        {"staged, yes to all", L"", OverwriteAnswer::YesAll},
        {"staged, auto rename", L"", OverwriteAnswer::Rename},
        {"staged, no to all", L"", OverwriteAnswer::NoAll},
        {"copied to another volume", L"F:\\marked", OverwriteAnswer::YesAll},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.what);
        if (!route.output.empty() && !fs::FolderExists(route.output.substr(0, 3)))
            continue; // no drive F: here
        JobBench bench("good.exe");
        if (!route.output.empty())
            bench.input.outputPath = route.output;
        const auto removed = win32::ScopeExit([&] {
            if (!route.output.empty())
                ScratchFolder::Remove(route.output);
        });
        const std::wstring package = UseMarkedCopy(bench, "good.exe", kFromTheInternet);
        for (const auto& [path, bytes] : InputFiles()) {
            fs::CreateFolderChain((bench.target + path).substr(0, (bench.target + path).rfind(L'\\') + 1));
            WriteFile(bench.target + path, "old");
        }
        bench.host.answers = {route.answer};

        ASSERT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
        for (const auto& [path, bytes] : InputFiles()) {
            SCOPED_TRACE(testing::PrintToString(path));
            if (route.answer == OverwriteAnswer::NoAll) {
                EXPECT_EQ(MarkOf(bench.target + path), "<none>");
                EXPECT_EQ(ReadAll(bench.target + path), "old");
            } else {
                const std::wstring placed = bench.target + (route.answer == OverwriteAnswer::Rename ? Renamed(path) : path);
                EXPECT_EQ(ReadAll(placed), bytes);
                EXPECT_EQ(MarkOf(placed), MarkFor(kFromTheInternet, package));
            }
        }
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

// An entry named as a file's stream comes out as a file of its own (its ":" mapped): the mark of
// the file beside it is the package's, or none at all.
TEST(Job, NoEntryCanWriteAMark)
{
    for (const bool marked : {false, true}) {
        SCOPED_TRACE(marked ? "a marked package" : "an unmarked package");
        JobBench bench("zone-entry.exe");
        const std::wstring package = UseMarkedCopy(bench, "zone-entry.exe", marked ? kFromTheInternet : "");
        ASSERT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
        EXPECT_EQ(ReadAll(bench.target + L"a.txt"), "text");
        EXPECT_EQ(MarkOf(bench.target + L"a.txt"), marked ? MarkFor(kFromTheInternet, package) : "<none>");
        EXPECT_EQ(ReadAll(bench.target + L"a.txt_Zone.Identifier"), "[ZoneTransfer]\r\nZoneId=0\r\n");
    }
}
