// What went in comes out: the package dated.exe (tests/job/make-packages) unpacked by every route
// gives each file and folder its stored modification time and read-only attribute, and makes its
// empty folders.
#include "fs/FileOps.h"
#include "job/FilePlacement.h"
#include "support/JobHarness.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>

using namespace job;
using namespace testing_support;

namespace {

FILETIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, uint32_t ticks = 0)
{
    const SYSTEMTIME system{year, month, 0, day, hour, minute, second, 0};
    FILETIME time{};
    ::SystemTimeToFileTime(&system, &time);
    ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += ticks; // hundreds of nanoseconds
    return {value.LowPart, value.HighPart};
}

uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t ModifiedTicks(const std::wstring& path)
{
    const win32::FileHandle opened(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME modified{};
    if (!opened || !::GetFileTime(opened.get(), nullptr, nullptr, &modified))
        return 0;
    return Ticks(modified);
}

bool IsReadOnly(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

struct Packed {
    std::wstring path; // as it comes out
    FILETIME modified;
    bool readOnly;
    bool folder;
};

const std::vector<Packed>& DatedEntries()
{
    static const std::vector<Packed> entries = {
        {L"top.txt", Utc(1999, 12, 31, 23, 59, 58), false, false},
        {L"f\\ro.txt", Utc(2019, 5, 17, 9, 30, 12), true, false},
        {L"old.txt", Utc(1975, 6, 1, 12, 0, 0), false, false},
        {L"future.txt", Utc(2040, 1, 1, 0, 0, 0), false, false},
        {L"Notes 12_30.txt", Utc(2010, 10, 10, 10, 10, 10), false, false}, // its name mapped
        {L"recent.txt", Utc(2026, 1, 2, 3, 4, 5, 1234567), false, false},
        {L"f", Utc(2001, 2, 3, 4, 5, 6), false, true},
        {L"e1", Utc(2002, 2, 2, 2, 2, 2), false, true},
        {L"e1\\e2", Utc(2003, 3, 3, 3, 3, 3), false, true},
    };
    return entries;
}

// What Auto Rename makes of a file's name.
std::wstring Renamed(const std::wstring& path)
{
    const size_t dot = path.rfind(L'.');
    return path.substr(0, dot) + L"(1)" + path.substr(dot);
}

} // namespace

// Every route a file takes: straight into the target, staged and placed by each answer, and
// copied to another volume (F:, a file system of its own, see scripts/wine-env). The clash
// question shows the new file's stored time.
TEST(Job, DatesAttributesAndEmptyFoldersComeOutAsPacked)
{
    const struct {
        const char* what;
        std::wstring output; // empty: the bench's own
        bool clash;          // every file is there already
        OverwriteAnswer answer;
    } routes[] = {
        {"straight into the target", L"", false, OverwriteAnswer::Yes},
        {"staged, yes to all", L"", true, OverwriteAnswer::YesAll},
        {"staged, auto rename", L"", true, OverwriteAnswer::Rename},
        {"staged, no to all", L"", true, OverwriteAnswer::NoAll},
        {"copied to another volume", L"F:\\dated", true, OverwriteAnswer::YesAll},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.what);
        if (!route.output.empty() && !fs::FolderExists(route.output.substr(0, 3)))
            continue; // no drive F: here
        JobBench bench("dated.exe");
        if (!route.output.empty()) {
            bench.input.outputPath = route.output;
            bench.target = route.output + L"\\dated\\";
        }
        const auto removed = win32::ScopeExit([&] {
            if (!route.output.empty())
                ScratchFolder::Remove(route.output);
        });
        std::map<std::wstring, uint64_t> before;
        if (route.clash) {
            for (const Packed& entry : DatedEntries()) {
                if (entry.folder)
                    continue;
                fs::CreateFolderChain((bench.target + entry.path).substr(0, (bench.target + entry.path).rfind(L'\\') + 1));
                WriteFile(bench.target + entry.path, "old");
                before[entry.path] = ModifiedTicks(bench.target + entry.path);
            }
        }
        bench.host.answers = {route.answer};
        std::vector<std::pair<std::wstring, uint64_t>> shown; // each question's existing file, the new one's time
        bench.host.onQuestion = [&](const std::wstring& staged) {
            shown.emplace_back(bench.host.asked.back(), ModifiedTicks(staged));
        };

        ASSERT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);

        for (const Packed& entry : DatedEntries()) {
            SCOPED_TRACE(testing::PrintToString(entry.path));
            const bool kept = route.clash && !entry.folder && route.answer == OverwriteAnswer::NoAll;
            const std::wstring path =
                bench.target + (route.clash && !entry.folder && route.answer == OverwriteAnswer::Rename ? Renamed(entry.path)
                                                                                                     : entry.path);
            ASSERT_TRUE(Exists(path));
            if (kept) {
                EXPECT_EQ(ModifiedTicks(path), before[entry.path]);
                EXPECT_FALSE(IsReadOnly(path));
                continue;
            }
            EXPECT_EQ(ModifiedTicks(path), Ticks(entry.modified));
            EXPECT_EQ(IsReadOnly(path), entry.readOnly);
        }
        for (const auto& [existing, time] : shown) {
            for (const Packed& entry : DatedEntries()) {
                if (existing == bench.target + entry.path) {
                    EXPECT_EQ(time, Ticks(entry.modified)) << "the question's new file";
                }
            }
        }
        EXPECT_EQ(shown.empty(), !route.clash);
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

// The same package unpacked again over its own read-only files with Yes to All: each is replaced,
// as on Windows, which refuses a rename over a read-only file (here a seam refuses it as Windows
// does; Wine lets it pass). A replace that fails still puts the read-only attribute back.
TEST(Job, YesToAllReplacesReadOnlyFiles)
{
    JobBench bench("dated.exe");
    PlacementCalls& calls = bench.input.placementCalls;
    calls.renameStaged = [](HANDLE staged, const std::wstring& target, bool replace) -> DWORD {
        if (replace && IsReadOnly(target))
            return ERROR_ACCESS_DENIED;
        return SystemRenameStaged(staged, target, replace);
    };
    ASSERT_EQ(bench.Run(), JobOutcome::Finished);
    ASSERT_TRUE(IsReadOnly(bench.target + L"f\\ro.txt"));
    WriteFile(bench.target + L"top.txt", "changed");
    bench.host.answers = {OverwriteAnswer::YesAll};

    EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
    EXPECT_EQ(bench.said, L"");
    EXPECT_EQ(ReadAll(bench.target + L"top.txt"), "top");
    EXPECT_EQ(ReadAll(bench.target + L"f\\ro.txt"), "read only");
    EXPECT_TRUE(IsReadOnly(bench.target + L"f\\ro.txt"));

    // Refused whatever the attribute: the error says why, and the file is read-only as before.
    calls.renameStaged = [](HANDLE, const std::wstring& target, bool) -> DWORD {
        return target.find(L"ro.txt") != std::wstring::npos ? ERROR_WRITE_PROTECT : ERROR_NOT_SAME_DEVICE;
    };
    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_NE(bench.said.find(win32::SystemErrorText(ERROR_WRITE_PROTECT)), std::wstring::npos)
        << testing::PrintToString(bench.said);
    EXPECT_TRUE(IsReadOnly(bench.target + L"f\\ro.txt"));
    EXPECT_EQ(ReadAll(bench.target + L"f\\ro.txt"), "read only");
}
