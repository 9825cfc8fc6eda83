// The unpacking job's course, driven headless: straight into a fresh folder, the password, the
// target and scratch folders that cannot be made, a cancel and a pause in each phase, what nobody
// else may touch meanwhile, and what goes when nothing came out.
#include "job/UnpackJob.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "job/PackageFormat.h"
#include "lang/Language.h"
#include "support/AccessList.h"
#include "support/JobHarness.h"
#include "support/Languages.h"
#include "support/Library.h"
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

TEST(Job, UnpacksStraightIntoAFreshTargetFolder)
{
    JobBench bench("good.exe");
    EXPECT_EQ(bench.Run(), JobOutcome::Finished);

    EXPECT_EQ(FilesBelow(bench.target), InputFiles());
    EXPECT_TRUE(fs::FolderExists(bench.target + L"empty")); // an empty folder comes out too
    EXPECT_FALSE(Exists(bench.target + kMarkerName));
    EXPECT_EQ(bench.progress->fileCount.load(), static_cast<int32_t>(InputFiles().size()) + 1); // and the marker
    EXPECT_EQ(bench.progress->placedCount.load(), 0);
    EXPECT_EQ(bench.host.shownTotals, std::vector<int64_t>{static_cast<int64_t>(fs::GetFileSizeByName(bench.input.programPath)) - PAYLOAD_OFFSET});
    EXPECT_TRUE(bench.host.asked.empty());
    EXPECT_TRUE(bench.LeftInTemp().empty());
    EXPECT_EQ(bench.progress->phase.load(), JobPhase::Settling);
}

TEST(Job, ALeftoverMarkerMakesTheExtractionStagedWithoutAQuestion)
{
    JobBench bench("good.exe");
    fs::CreateFolderChain(bench.target);
    WriteFile(bench.target + kMarkerName, "left from before");

    EXPECT_EQ(bench.Run(), JobOutcome::Finished);
    auto files = FilesBelow(bench.target);
    EXPECT_EQ(files.erase(kMarkerName), 1u); // the old one stays as it was; no new one comes
    EXPECT_EQ(files, InputFiles());
    EXPECT_TRUE(bench.host.asked.empty()) << testing::PrintToString(bench.host.asked);
    EXPECT_EQ(bench.progress->placedCount.load(), bench.progress->fileCount.load() - 1);
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

TEST(Job, AWrongPasswordLeavesTheOutputFolderUntouched)
{
    JobBench bench("good.exe");
    bench.input.password = L"not it";
    EXPECT_EQ(bench.Run(), JobOutcome::WrongPassword);
    EXPECT_FALSE(Exists(bench.target));
    EXPECT_EQ(bench.progress->phase.load(), JobPhase::Checking);
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

TEST(Job, WithoutAMarkerOrWithAnEmptyOneThereIsNothingToCheck)
{
    for (const char* package : {"no-marker.exe", "zero-marker.exe"}) {
        SCOPED_TRACE(package);
        {
            JobBench bench(package);
            EXPECT_EQ(bench.Run(), JobOutcome::Finished);
            EXPECT_EQ(ReadAll(bench.target + L"docs\\readme.txt"), "read me\r\n");
            EXPECT_FALSE(Exists(bench.target + kMarkerName));
        }
        {
            // The check passes; the extraction then finds the password wrong.
            JobBench bench(package);
            bench.input.password = L"not it";
            EXPECT_EQ(bench.Run(), JobOutcome::Failed);
            EXPECT_FALSE(bench.said.empty());
            EXPECT_FALSE(Exists(bench.target + kMarkerName));
            EXPECT_TRUE(bench.LeftInTemp().empty());
        }
    }
}

TEST(Job, ATargetFolderThatCannotBeMadeIsReportedAfterTheRetries)
{
    JobBench bench("good.exe");
    WriteFile(bench.scratch / L"a-file");
    bench.input.outputPath = bench.scratch / L"a-file\\below";
    EXPECT_EQ(bench.Run(), JobOutcome::NoTargetFolder);
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

// Scratch folders come from the same choice as the working folder. When no fresh one can be made
// (Windows refuses a new name in a folder the user may not write to), the job ends with a clear
// error, and neither the temporary folder nor the output folder loses anything.
TEST(Job, AScratchFolderThatCannotBeMadeEndsTheJobAndRemovesNothingElse)
{
    JobBench bench("good.exe");
    const std::wstring temp = bench.scratch / L"temp\\";
    WriteFile(temp + L"sentinel.txt", "keep");
    WriteFile(bench.input.outputPath + L"\\sentinel.txt", "keep");
    bench.input.workFolderCalls.uniqueName = [](const std::wstring&, std::wstring&) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    };
    const JobOutcome end = bench.Run();

    EXPECT_EQ(end, JobOutcome::Failed);
    EXPECT_EQ(bench.said.rfind(L"Cannot create a working folder in \"" + temp + L"\". ", 0), 0u)
        << testing::PrintToString(bench.said);
    EXPECT_EQ(ReadAll(temp + L"sentinel.txt"), "keep");
    EXPECT_EQ(ReadAll(bench.input.outputPath + L"\\sentinel.txt"), "keep");
    EXPECT_TRUE(fs::FolderExists(bench.workFolder.path())); // the window's to remove, not the worker's
}

// A cancel in each phase ends the job as a cancel (nothing to report), never leaves a scratch
// folder, and keeps no more than what was whole when it came.
TEST(Job, ACancelInEachPhaseEndsQuietlyAndLeavesNothingOfOurs)
{
    enum class At { Staging, CheckingThePassword, Extracting, Placing };
    const struct {
        const char* phase;
        At at;
        const char* package;
        const wchar_t* existing; // a file in the target: the extraction goes through a scratch folder
    } cases[] = {
        {"staging", At::Staging, "big.exe", nullptr},
        {"checking the password", At::CheckingThePassword, "big.exe", nullptr},
        {"extracting into the target", At::Extracting, "big.exe", nullptr},
        {"extracting into a scratch folder", At::Extracting, "big.exe", L"part1.bin"},
        {"placing", At::Placing, "good.exe", L"one.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        JobBench bench(c.package);
        if (c.existing) {
            fs::CreateFolderChain(bench.target);
            WriteFile(bench.target + c.existing, "old");
        }
        bench.host.cancelAtTotalSize = c.at == At::Staging;
        OnStep cancel(
            bench.input,
            [&](JobStep step, auto&) {
                const bool extracting = ExtractionBegun(bench.progress->phase.load());
                switch (c.at) {
                case At::CheckingThePassword: return step == JobStep::Progress && !extracting;
                case At::Extracting: return step == JobStep::Progress && extracting;
                case At::Placing: return step == JobStep::Placing;
                default: return false;
                }
            },
            [&] { bench.progress->Cancel(); });
        EXPECT_EQ(bench.Run(), JobOutcome::Finished);
        EXPECT_EQ(bench.said, L"");
        EXPECT_EQ(cancel.Fired(), c.at != At::Staging);
        EXPECT_TRUE(bench.LeftInTemp().empty());
        switch (c.at) {
        case At::Staging:
            EXPECT_EQ(bench.progress->currentSize.load(), 61440); // one block, then it looked
            [[fallthrough]];
        case At::CheckingThePassword:
            EXPECT_FALSE(Exists(bench.target));
            break;
        case At::Extracting:
            EXPECT_LT(FilesBelow(bench.target).size(), 12u);
            EXPECT_FALSE(Exists(bench.target + kMarkerName));
            EXPECT_TRUE(bench.host.asked.empty());
            break;
        case At::Placing:
            EXPECT_EQ(bench.progress->placedCount.load(), 1);
            break;
        }
    }
}

TEST(Job, APausedJobHoldsUntilItContinues)
{
    JobBench bench("big.exe");
    bench.progress->Pause(true);
    UnpackJob worker(bench.host, *bench.progress, bench.input);
    std::thread release([&] {
        // Once the pause has taken hold, the worker has copied one block and no more; then it
        // goes on.
        EXPECT_TRUE(WaitUntil([&] { return bench.progress->WorkerHeld(); }));
        EXPECT_EQ(bench.progress->currentSize.load(), 61440);
        bench.progress->Pause(false);
    });
    EXPECT_EQ(bench.host.Run(worker), JobOutcome::Finished);
    release.join();
    EXPECT_EQ(FilesBelow(bench.target).size(), 12u);
}

TEST(Job, NobodyCanChangeTheStagedArchiveOrTheLibraryWhileTheyAreInUse)
{
    JobBench bench("good.exe");
    bool tmpWritable = true, libraryWritable = true;
    OnStep probe(bench.input, [](JobStep step, auto&) { return step == JobStep::Progress; }, [&] {
        for (auto [path, writable] : {std::pair{bench.workFolder.path() + L"tmp.dat", &tmpWritable},
                                      std::pair{bench.input.libraryPath, &libraryWritable}}) {
            const win32::FileHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
            *writable = h.valid();
        }
    });
    EXPECT_EQ(bench.Run(), JobOutcome::Finished);
    ASSERT_TRUE(probe.Fired());
    EXPECT_FALSE(tmpWritable);
    EXPECT_FALSE(libraryWritable);
}

// A typed output folder that did not exist: the folders the job made on the way to the target go
// with it when nothing came of the job; the folder that was there stays.
TEST(Job, FoldersMadeOnTheWayGoWhenNothingCameOut)
{
    JobBench bench("big.exe");
    const std::wstring existing = bench.input.outputPath + L"\\";
    bench.input.outputPath = existing + L"typed\\deeper";
    bench.target = bench.input.outputPath + L"\\big\\";
    OnStep cancel(bench.input, [&](JobStep step, auto&) { return step == JobStep::Progress && ExtractionBegun(bench.progress->phase.load()); },
                  [&] { bench.progress->Cancel(); });
    EXPECT_EQ(bench.Run(), JobOutcome::Finished);
    ASSERT_TRUE(cancel.Fired());
    EXPECT_FALSE(Exists(existing + L"typed")); // cancelled before the first file was whole
    EXPECT_TRUE(fs::FolderExists(existing));
}

// Packages whose names are only dots and blanks before ".exe" unpack into a folder "_" inside the
// chosen folder, never into the chosen folder or its parent.
TEST(Job, APackageNamedWithDotsUnpacksIntoAFolderOfItsOwn)
{
    for (const wchar_t* name : {L"...exe", L"..exe", L". .exe"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        JobBench bench("good.exe");
        ASSERT_TRUE(::CopyFileW(bench.input.programPath.c_str(), (bench.scratch / name).c_str(), FALSE));
        bench.input.programPath = bench.scratch / name;
        EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
        EXPECT_EQ(FilesBelow(bench.input.outputPath + L"\\_\\"), InputFiles());
        EXPECT_EQ(FilesBelow(bench.input.outputPath + L"\\").size(), InputFiles().size());
    }
}

} // namespace
