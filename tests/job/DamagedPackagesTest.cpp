// Damaged and unsafe packages: each ends with a reason a person can read, keeps what came out
// whole and leaves no half file under its name.
#include "job/UnpackJob.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "job/PackageFormat.h"
#include "lang/Language.h"
#include "support/AccessList.h"
#include "support/JobHarness.h"
#include "support/Languages.h"
#include "support/Library.h"
#include "support/SevenZipBytes.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <cstring>
#include <functional>

using namespace job;
using namespace testing_support;

namespace {

TEST(Job, DamagedOrUnsafePackagesEndWithAnError)
{
    const struct {
        const char* package;
        const wchar_t* inMessage;
    } cases[] = {
        {"truncated.exe", L""},
        {"flipped.exe", L"docs\\nested\\deeper\\data.bin"},
        {"unsafe.exe", L"..\\evil.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package);
        JobBench bench(c.package);
                EXPECT_EQ(bench.Run(), JobOutcome::Failed);
        EXPECT_FALSE(bench.said.empty());
        EXPECT_NE(bench.said.find(c.inMessage), std::wstring::npos) << testing::PrintToString(bench.said);
        EXPECT_FALSE(Exists(bench.target + kMarkerName));
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
    JobBench unsafe("unsafe.exe");
    unsafe.Run();
    EXPECT_FALSE(Exists(unsafe.target)); // refused before anything was made
    EXPECT_FALSE(Exists(unsafe.input.outputPath + L"\\evil.txt"));
}

// On the staged path, one damaged entry does not cost the good ones: they are placed (with the
// usual question), then the damage is reported.
TEST(Job, AStagedExtractionPlacesTheGoodEntriesBeforeReportingADamagedOne)
{
    JobBench bench("flipped.exe");
    fs::CreateFolderChain(bench.target);
    WriteFile(bench.target + L"one.txt", "old");
    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_NE(bench.said.find(L"docs\\nested\\deeper\\data.bin"), std::wstring::npos)
        << testing::PrintToString(bench.said);
    EXPECT_FALSE(Exists(bench.target + L"docs\\nested\\deeper\\data.bin"));
    EXPECT_GT(bench.progress->placedCount.load(), 0);
    const auto& inputs = InputFiles();
    for (const auto& [name, bytes] : FilesBelow(bench.target)) {
        auto input = inputs.find(name);
        ASSERT_NE(input, inputs.end()) << testing::PrintToString(name);
        EXPECT_TRUE(name == L"one.txt" || input->second == bytes) << testing::PrintToString(name);
    }
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

// Damage met while staging the files is reported even when the person then cancels at a clash:
// the cancel does not hide it.
TEST(Job, DamageMetBeforeACancelIsStillReported)
{
    JobBench bench("flipped.exe");
    fs::CreateFolderChain(bench.target);
    WriteFile(bench.target + L"one.txt", "old");
    bench.host.answers = {OverwriteAnswer::Cancel};
    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_NE(bench.said.find(L"docs\\nested\\deeper\\data.bin"), std::wstring::npos)
        << testing::PrintToString(bench.said);
    EXPECT_EQ(bench.host.asked.size(), 1u);
    EXPECT_EQ(ReadAll(bench.target + L"one.txt"), "old");
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

// An entry that fails (a CRC error in stored data, a data error in packed data) or that a cancel
// cuts off never stays under its name, directly or staged; every entry that completed is there
// byte for byte; a target folder the job made for nothing goes again.
TEST(Job, DamagedOrUnfinishedEntriesNeverKeepTheirNames)
{
    const struct {
        const char* package;
        const wchar_t* bad;  // the failing entry
        const wchar_t* kept; // an entry that is there before a staged run (and a source of clashes)
        bool cancel;         // in the middle of the large entry
        bool othersComeOut;  // stored data: the entries after the damage decode all the same
    } cases[] = {
        {"crc.exe", L"plain.txt", L"one.txt", false, true},
        {"flipped.exe", L"docs\\nested\\deeper\\data.bin", L"one.txt", false, false},
        {"huge.exe", L"huge.bin", L"huge.bin", true, false},
    };
    for (const auto& c : cases) {
        for (const bool staged : {false, true}) {
            SCOPED_TRACE(std::string(c.package) + (staged ? " staged" : " direct"));
            JobBench bench(c.package);
            if (staged) {
                fs::CreateFolderChain(bench.target);
                WriteFile(bench.target + c.kept, "old");
                bench.host.answers = {OverwriteAnswer::No};
            }
            OnStep cancel(
                bench.input,
                [&](JobStep step, auto&) {
                    return step == JobStep::Progress && ExtractionBegun(bench.progress->phase.load()) && bench.progress->currentSize.load() > (64 << 20);
                },
                [&] { bench.progress->Cancel(); });
            const JobOutcome end = bench.Run();
            EXPECT_EQ(end, c.cancel ? JobOutcome::Finished : JobOutcome::Failed) << testing::PrintToString(bench.said);
            EXPECT_EQ(cancel.Fired(), c.cancel);

            const auto files = FilesBelow(bench.target);
            if (!staged || std::wstring(c.bad) != c.kept) {
                EXPECT_EQ(files.count(c.bad), 0u) << "the failing entry is there";
            }
            if (staged) {
                EXPECT_EQ(ReadAll(bench.target + c.kept), "old"); // answered No: the old one stays
            }
            const auto& inputs = InputFiles();
            for (const auto& [name, bytes] : files) {
                auto input = inputs.find(name);
                if (name != c.kept && input != inputs.end()) {
                    EXPECT_TRUE(input->second == bytes) << testing::PrintToString(name) << " differs";
                }
            }
            if (c.othersComeOut) {
                EXPECT_EQ(ReadAll(bench.target + L"zafter.txt"), "after");
            }
            if (!staged && files.empty()) {
                EXPECT_FALSE(Exists(bench.target)) << "an empty target folder stays";
            }
            EXPECT_TRUE(bench.LeftInTemp().empty());
        }
    }
}

// One byte of an uncompressed archive header changed, with both CRCs written anew: the padding
// 7-Zip puts before the names must be zeros, and 7zz calls a header with a non-zero one a "Headers
// Error". The library opens such an archive all the same; it is a damaged package, not a success.
TEST(Job, AnArchiveWithBrokenHeadersIsADamagedPackage)
{
    JobBench bench("headers.exe");
    std::string bytes = ReadAll(bench.input.programPath);
    const auto archive = FindArchive(bytes);
    ASSERT_TRUE(archive);
    const std::string header = bytes.substr(archive->header, archive->headerSize);
    ASSERT_EQ(header[0], '\x01'); // an uncompressed header
    // The padding record (id 0x19, a length, zeros) right before the names (id 0x11).
    size_t padding = std::string::npos;
    for (size_t at = header.find('\x19'); at != std::string::npos && padding == std::string::npos;
         at = header.find('\x19', at + 1)) {
        const size_t length = static_cast<unsigned char>(header[at + 1]);
        if (length > 0 && at + 2 + length < header.size() && header[at + 2 + length] == '\x11' &&
            header.find_first_not_of('\0', at + 2) >= at + 2 + length)
            padding = at + 2 + length - 1;
    }
    ASSERT_NE(padding, std::string::npos) << "no padding before the names";
    bytes[archive->header + padding] = '\x01';
    SealHeaders(bytes, *archive);
    bench.input.programPath = bench.scratch / L"damaged.exe";
    WriteFile(bench.input.programPath, bytes);

    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_EQ(bench.said, L"The package is damaged or incomplete.");
    EXPECT_FALSE(Exists(bench.target));
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

// Packages damaged in every part of their archive, made from one good package: each ends with a
// reason a person can read (never the system's "Invalid function"), and leaves nothing behind.
TEST(Job, EachDamageEndsWithAReasonAPersonCanRead)
{
    const std::string good = ReadAll(BuildFile("test-packages/good.exe"));
    const auto archive = FindArchive(good);
    ASSERT_TRUE(archive);
    const size_t start = archive->start, packed = archive->packed, header = archive->header;
    const size_t headerOffset = header - packed, headerSize = static_cast<size_t>(archive->headerSize);
    const auto cut = [&](size_t length) { return good.substr(0, length); };
    const auto flip = [&](size_t at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        return bytes;
    };
    const std::wstring damaged = L"The package is damaged or incomplete.";
    const struct {
        const char* name;
        std::string bytes;
        std::wstring reasonStart;
    } cases[] = {
        {"cut in the start header", cut(start + 20), damaged},
        {"cut in the packed data", cut(packed + headerOffset / 2), damaged},
        {"cut in the end header", cut(header + headerSize / 2), damaged},
        {"start header CRC", flip(start + 9), damaged},
        {"end header", flip(header + headerSize / 2), damaged},
        {"packed data", flip(packed + headerOffset - headerOffset / 4), L"The data of "},
        {"nothing appended", ReadAll(BuildFile("Unzip.exe")), damaged},
    };
    ScratchFolder languages;
    const UseLanguage english(languages, L"Lang_English");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JobBench bench("good.exe");
        bench.input.programPath = bench.scratch / L"damaged.exe";
        WriteFile(bench.input.programPath, c.bytes);
        const JobOutcome end = bench.Run();
        EXPECT_EQ(end, JobOutcome::Failed);
        EXPECT_EQ(bench.said.rfind(c.reasonStart, 0), 0u) << testing::PrintToString(bench.said);
        EXPECT_EQ(bench.said.find(L"function"), std::wstring::npos) << testing::PrintToString(bench.said);
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

} // namespace
