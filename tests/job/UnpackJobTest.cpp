#include "job/UnpackJob.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "job/PackageFormat.h"
#include "lang/Language.h"
#include "support/AccessList.h"
#include "support/JobHarness.h"
#include "support/Languages.h"
#include "support/Library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <cstring>
#include <functional>

using namespace testing_support;

namespace {

const std::map<std::wstring, std::string>& InputFiles()
{
    static const auto files = FilesBelow(BuildFile("test-packages/input/"));
    return files;
}

// The file paths of a package's archive in archive order (as the worker places them).
std::vector<std::wstring> ArchiveOrder(const std::wstring& package)
{
    ScratchFolder scratch;
    // What the worker stages: the package from where the program's search starts.
    const std::string content = ReadAll(package);
    WriteFile(scratch / L"payload.bin", content.substr(PAYLOAD_OFFSET));
    std::vector<std::wstring> paths;
    auto reader = std::make_unique<sevenzip::ArchiveReader>(CopyLibrary(scratch));
    reader->OpenArchiveFile(scratch / L"payload.bin", SEARCH_WINDOW);
    for (uint32_t i = 0; i < reader->ItemCount(); ++i)
        if (!reader->ItemIsFolder(i) && reader->ItemPath(i) != kMarkerName)
            paths.push_back(reader->ItemPath(i));
    return paths;
}

// Runs an action once on the worker's thread at the first step that matches: the moment a phase
// is under way. The worker is inside that phase while the action runs.
class OnStep {
public:
    OnStep(JobInput& input, std::function<bool(JobStep step, const std::wstring& path)> when,
           std::function<void()> action)
    {
        input.onStep = [this, when = std::move(when), action = std::move(action)](JobStep step,
                                                                                 const std::wstring& path) {
            if (!fired_ && when(step, path)) {
                fired_ = true;
                action();
            }
        };
    }
    bool Fired() const { return fired_; }

private:
    std::atomic<bool> fired_{false};
};

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
    EXPECT_NE(bench.progress->extractPhase.load(), 0);
    EXPECT_EQ(bench.progress->stagedExtract.load(), 0);
    EXPECT_EQ(bench.progress->placing.load(), 0);
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

// The target folder with old versions of the four clashing files, and the questions the placement
// asks about them, in archive order.
struct ClashCase {
    const char* name;
    std::deque<OverwriteAnswer> answers;
    size_t questions;
    std::vector<bool> replaced; // for c1 to c4 in archive order
};

TEST(Job, SettlesEachClashByTheAnswer)
{
    const ClashCase cases[] = {
        {"yes asks again", {OverwriteAnswer::Yes}, 4, {true, true, true, true}},
        {"yes to all", {OverwriteAnswer::YesAll}, 1, {true, true, true, true}},
        {"no asks again", {OverwriteAnswer::No}, 4, {false, false, false, false}},
        {"no to all", {OverwriteAnswer::NoAll}, 1, {false, false, false, false}},
        {"mixed", {OverwriteAnswer::No, OverwriteAnswer::Yes, OverwriteAnswer::NoAll}, 3, {false, true, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JobBench bench("good.exe");
        std::vector<std::wstring> clashes;
        for (const auto& path : ArchiveOrder(bench.input.programPath))
            if (path.rfind(L"clash\\c", 0) == 0)
                clashes.push_back(path);
        ASSERT_EQ(clashes.size(), 4u);
        fs::CreateFolderChain(bench.target + L"clash\\");
        for (const auto& path : clashes)
            WriteFile(bench.target + path, "old");
        bench.host.answers = c.answers;

        EXPECT_EQ(bench.Run(), JobOutcome::Finished);

        EXPECT_EQ(bench.host.asked.size(), c.questions);
        EXPECT_EQ(std::count(bench.host.stagedSeen.begin(), bench.host.stagedSeen.end(), false), 0);
        for (size_t i = 0; i < clashes.size(); ++i)
            EXPECT_EQ(ReadAll(bench.target + clashes[i]) != "old", c.replaced[i]) << i;
        // Everything without a clash is placed whatever the answers.
        for (const auto& [path, content] : InputFiles()) {
            if (path.rfind(L"clash\\c", 0) != 0) {
                EXPECT_EQ(ReadAll(bench.target + path), content);
            }
        }
        EXPECT_FALSE(Exists(bench.target + kMarkerName));
        EXPECT_TRUE(fs::FolderExists(bench.target + L"empty")); // an empty folder comes out too
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

// A file that another program makes after the inventory found the name free (a second copy of
// this package unpacking into the same folder, a sync client) is never written over unasked: the
// entry is staged and asked about like any clash, and a cancel never removes that file.
TEST(Job, ANameTakenAfterTheInventoryIsAskedAbout)
{
    const struct {
        OverwriteAnswer answer;
        std::string oneTxt; // what one.txt holds at the end; every other file comes out
    } cases[] = {
        {OverwriteAnswer::No, "theirs"},
        {OverwriteAnswer::Yes, "x"},
        {OverwriteAnswer::Rename, "theirs"},
        {OverwriteAnswer::Cancel, "theirs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        JobBench bench("good.exe");
        fs::CreateFolderChain(bench.target); // there, and empty: no clash at the inventory
        OnStep made(bench.input, [](JobStep step, const std::wstring&) { return step == JobStep::Progress; },
                    [&] { WriteFile(bench.target + L"one.txt", "theirs"); });
        bench.host.answers = {c.answer};

        EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);

        ASSERT_TRUE(made.Fired());
        EXPECT_EQ(bench.host.asked, std::vector<std::wstring>{bench.target + L"one.txt"});
        EXPECT_EQ(ReadAll(bench.target + L"one.txt"), c.oneTxt);
        auto files = FilesBelow(bench.target);
        if (c.answer == OverwriteAnswer::Rename)
            EXPECT_EQ(files[L"one(1).txt"], "x");
        files.erase(L"one(1).txt");
        files[L"one.txt"] = "x";
        EXPECT_EQ(files, InputFiles());
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

TEST(Job, AutoRenameTakesTheNextFreeNumberWithoutAskingAgain)
{
    JobBench bench("good.exe");
    fs::CreateFolderChain(bench.target + L"clash\\");
    for (const wchar_t* name : {L"report.txt", L"report(1).txt", L"report(2).txt", L"c1.txt", L"c2.txt"})
        WriteFile(bench.target + L"clash\\" + name, "old");
    bench.host.answers = {OverwriteAnswer::Rename};

    EXPECT_EQ(bench.Run(), JobOutcome::Finished);

    EXPECT_EQ(bench.host.asked.size(), 1u);
    EXPECT_EQ(ReadAll(bench.target + L"clash\\report.txt"), "old");
    EXPECT_EQ(ReadAll(bench.target + L"clash\\report(3).txt"), "new report\n");
    EXPECT_EQ(ReadAll(bench.target + L"clash\\c1.txt"), "old");
    EXPECT_EQ(ReadAll(bench.target + L"clash\\c1(1).txt"), "new 1\n");
    EXPECT_EQ(ReadAll(bench.target + L"clash\\c2(1).txt"), "new 2\n");
}

TEST(Job, CancelAtTheThirdClashKeepsWhatWasPlaced)
{
    JobBench bench("good.exe");
    const auto order = ArchiveOrder(bench.input.programPath);
    std::vector<std::wstring> clashes;
    for (const auto& path : order)
        if (path.rfind(L"clash\\c", 0) == 0)
            clashes.push_back(path);
    fs::CreateFolderChain(bench.target + L"clash\\");
    for (const auto& path : clashes)
        WriteFile(bench.target + path, "old");
    bench.host.answers = {OverwriteAnswer::Yes, OverwriteAnswer::Yes, OverwriteAnswer::Cancel};

    EXPECT_EQ(bench.Run(), JobOutcome::Finished);

    EXPECT_EQ(bench.host.asked.size(), 3u);
    EXPECT_NE(ReadAll(bench.target + clashes[0]), "old");
    EXPECT_NE(ReadAll(bench.target + clashes[1]), "old");
    EXPECT_EQ(ReadAll(bench.target + clashes[2]), "old");
    const auto third = std::find(order.begin(), order.end(), clashes[2]);
    for (auto later = third + 1; later != order.end(); ++later) {
        if (later->rfind(L"clash\\c", 0) != 0) {
            EXPECT_FALSE(Exists(bench.target + *later)) << testing::PrintToString(*later);
        }
    }
    for (auto earlier = order.begin(); earlier != third; ++earlier)
        EXPECT_TRUE(Exists(bench.target + *earlier)) << testing::PrintToString(*earlier);
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

// The decrypted files of the staged path lie in a scratch folder that is the current account's
// alone, and each file in it inherits the folder's access list.
TEST(Job, StagedFilesAreTheCurrentAccountsAlone)
{
    JobBench bench("good.exe");
    fs::CreateFolderChain(bench.target);
    fs::CreateFolderChain(bench.target + L"docs\\");
    WriteFile(bench.target + L"docs\\readme.txt", "old");
    std::vector<std::wstring> expected = {CurrentSid(), L"S-1-5-18"};
    std::sort(expected.begin(), expected.end());
    int looked = 0;
    bench.host.onQuestion = [&](const std::wstring& staged) {
        // The scratch folder: the staged file lies in a numbered folder inside it.
        const std::wstring numbered = staged.substr(0, staged.find_last_of(L'\\'));
        const std::wstring folder = numbered.substr(0, numbered.find_last_of(L'\\') + 1);
        for (const std::wstring& path : {folder, staged}) {
            auto list = ReadAccessList(path);
            std::sort(list.allowed.begin(), list.allowed.end());
            EXPECT_TRUE(list.read) << testing::PrintToString(path);
            if (path == folder || !UnderWine()) { // see UnderWine
                EXPECT_EQ(list.allowed, expected) << testing::PrintToString(path);
            }
            if (!UnderWine()) {
                EXPECT_EQ(list.isProtected, path == folder) << testing::PrintToString(path);
            }
        }
        ++looked;
    };
    EXPECT_EQ(bench.Run(), JobOutcome::Finished);
    EXPECT_EQ(looked, 1);
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

// Clashes answered Yes, No and Auto Rename, with the target on the scratch folder's volume (the
// staged files move) and on F:, a file system of its own (they are copied): the same files come
// out, and nothing is left in the temporary folder or beside the target.
TEST(Job, ClashesAreSettledAlikeByMoveAndByCopy)
{
    for (const std::wstring& output : {std::wstring(), std::wstring(L"F:\\again")}) {
        if (!output.empty() && !fs::FolderExists(L"F:\\"))
            continue; // no drive F: here
        SCOPED_TRACE(testing::PrintToString(output));
        JobBench bench("good.exe");
        if (!output.empty()) {
            bench.input.outputPath = output;
            bench.target = output + L"\\good\\";
        }
        const auto removed = win32::ScopeExit([&] { ScratchFolder::Remove(bench.target); });
        std::vector<std::wstring> clashes; // the first three, in the order they are asked about
        for (const auto& path : ArchiveOrder(bench.input.programPath))
            if (path.rfind(L"clash\\c", 0) == 0 && clashes.size() < 3)
                clashes.push_back(path);
        fs::CreateFolderChain(bench.target + L"clash\\");
        for (const auto& path : clashes)
            WriteFile(bench.target + path, "old");
        bench.host.answers = {OverwriteAnswer::Yes, OverwriteAnswer::No, OverwriteAnswer::Rename}; // Auto Rename: for every later clash too

        EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);

        auto expected = InputFiles();
        expected[clashes[2].substr(0, clashes[2].size() - 4) + L"(1).txt"] = expected[clashes[2]];
        expected[clashes[1]] = "old";
        expected[clashes[2]] = "old";
        EXPECT_EQ(FilesBelow(bench.target), expected);
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

TEST(Job, AWrongPasswordLeavesTheOutputFolderUntouched)
{
    JobBench bench("good.exe");
    bench.input.password = L"not it";
    EXPECT_EQ(bench.Run(), JobOutcome::WrongPassword);
    EXPECT_FALSE(Exists(bench.target));
    EXPECT_EQ(bench.progress->extractPhase.load(), 0);
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
                const bool extracting = bench.progress->extractPhase.load();
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
        // Give a wrongly running worker time to show itself, then let it go on.
        for (int i = 0; i < 30 && bench.progress->currentSize.load() == 0; ++i)
            ::Sleep(10);
        ::Sleep(300);
        EXPECT_EQ(bench.progress->currentSize.load(), 61440); // held after its first block
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

// Entries named as other systems allow come out under the names Windows can hold, each with its
// own bytes, and nothing reaches a device; the same names settle clashes on the staged path.
TEST(Job, NamesWindowsCannotHoldComeOutMapped)
{
    const std::map<std::wstring, std::wstring> mapped = {
        {L"nul.txt", L"_nul.txt"}, {L"aux.txt", L"_aux.txt"}, {L"con", L"_con"}, {L"COM1.log", L"_COM1.log"},
        {L"Notes 12:30.txt", L"Notes 12_30.txt"}, {L"a.", L"a_"}, {L"b ", L"b_"}, {L"q?.txt", L"q_.txt"},
        {L"console.txt", L"console.txt"}, {L"tab\tname.txt", L"tab_name.txt"}, {L"com1.txt", L"_com1.txt"},
        {L"NUL", L"_NUL"}, {L"sub\\nul.txt", L"sub\\_nul.txt"},
    };
    for (const char* device : {"device-aux", "device-com1"})
        WriteFile(BuildFile(device), ""); // whatever an earlier run left there
    for (const bool staged : {false, true}) {
        SCOPED_TRACE(staged ? "staged" : "direct");
        JobBench bench("names.exe");
        if (staged) {
            fs::CreateFolderChain(bench.target);
            WriteFile(bench.target + L"_nul.txt", "old");
        }
        EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
        std::map<std::wstring, std::string> expected;
        for (const auto& [name, windowsName] : mapped) {
            std::string unixName(name.begin(), name.end());
            std::replace(unixName.begin(), unixName.end(), '\\', '/');
            expected[windowsName] = "data of " + unixName;
        }
        EXPECT_EQ(FilesBelow(bench.target), expected);
        EXPECT_EQ(bench.host.asked, staged ? std::vector<std::wstring>{bench.target + L"_nul.txt"}
                                           : std::vector<std::wstring>{});
    }
    // The prefix's AUX and COM1 lead to files (scripts/wine-env): nothing reached them.
    for (const char* device : {"device-aux", "device-com1"})
        EXPECT_EQ(ReadAll(BuildFile(device)), "") << device;
}

// An entry whose full path passes MAX_PATH comes out, is seen as a clash when it is there, and is
// placed; a package kept in a folder deeper than MAX_PATH is read.
TEST(Job, PathsLongerThanMaxPathWork)
{
    const std::wstring entry = std::wstring(70, L'a') + L"\\" + std::wstring(70, L'b') + L"\\" +
                               std::wstring(70, L'c') + L"\\" + std::wstring(70, L'd') + L"\\file.txt";
    for (const bool staged : {false, true}) {
        SCOPED_TRACE(staged ? "staged" : "direct");
        JobBench bench("long.exe");
        const std::wstring file = bench.target + entry;
        ASSERT_GT(file.size(), 300u);
        if (staged) {
            fs::CreateFolderChain(file.substr(0, file.find_last_of(L'\\') + 1));
            WriteFile(fs::LongPathForm(file), "old");
        }
        EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
        EXPECT_EQ(ReadAll(fs::LongPathForm(file)), "far down");
        EXPECT_EQ(bench.host.asked, staged ? std::vector<std::wstring>{file} : std::vector<std::wstring>{});
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }

    JobBench bench("good.exe");
    const std::wstring deep = bench.scratch / (std::wstring(120, L'p') + L"\\" + std::wstring(120, L'q') + L"\\");
    fs::CreateFolderChain(deep);
    ASSERT_TRUE(::CopyFileW(bench.input.programPath.c_str(), fs::LongPathForm(deep + L"good.exe").c_str(), FALSE));
    bench.input.programPath = deep + L"good.exe";
    EXPECT_EQ(bench.Run(), JobOutcome::Finished) << testing::PrintToString(bench.said);
    EXPECT_EQ(FilesBelow(bench.target), InputFiles());
}

// Drive F: holds 4 MiB (scripts/wine-env); the package holds 12 files of 1 MiB.
class FullDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::FolderExists(L"F:\\"))
            GTEST_SKIP() << "no small drive F: here (it needs root to mount)";
        // A folder of each test's own: the tests may run side by side.
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        bench.input.outputPath = L"F:\\" + std::wstring(test, test + std::strlen(test));
        bench.target = bench.input.outputPath + L"\\big\\";
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(bench.input.outputPath, ignored);
    }

    // Every file under its final name is whole: byte for byte its source.
    void ExpectOnlyWholeFiles()
    {
        const auto sources = FilesBelow(BuildFile("test-packages/big/"));
        for (const auto& [name, bytes] : FilesBelow(bench.target)) {
            auto source = sources.find(name);
            ASSERT_NE(source, sources.end()) << testing::PrintToString(name);
            EXPECT_TRUE(source->second == bytes) << testing::PrintToString(name) << " differs from its source";
        }
    }

    JobBench bench{"big.exe"};
};

TEST_F(FullDrive, TooLittleSpaceIsReportedBeforeAnythingIsWritten)
{
    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_EQ(bench.said.rfind(L"There is not enough free space on F: (", 0), 0u)
        << testing::PrintToString(bench.said);
    EXPECT_FALSE(Exists(bench.target));
    EXPECT_TRUE(bench.LeftInTemp().empty());
}

TEST_F(FullDrive, ADriveThatFillsWhileWritingSaysSoAndLeavesNoHalfFile)
{
    bench.input.freeBytes = [](const std::wstring&) -> int64_t { return INT64_MAX; }; // the check passes
    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_NE(bench.said.find(L"Cannot write file \"" + bench.target + L"part"), std::wstring::npos)
        << testing::PrintToString(bench.said);
    EXPECT_NE(bench.said.find(win32::SystemErrorText(ERROR_DISK_FULL)), std::wstring::npos)
        << testing::PrintToString(bench.said);
    ExpectOnlyWholeFiles();
    EXPECT_FALSE(FilesBelow(bench.target).empty()); // what was finished before stays
    EXPECT_TRUE(bench.LeftInTemp().empty());
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

// A typed output folder that did not exist: the folders the job made on the way to the target go
// with it when nothing came of the job; the folder that was there stays.
TEST(Job, FoldersMadeOnTheWayGoWhenNothingCameOut)
{
    JobBench bench("big.exe");
    const std::wstring existing = bench.input.outputPath + L"\\";
    bench.input.outputPath = existing + L"typed\\deeper";
    bench.target = bench.input.outputPath + L"\\big\\";
    OnStep cancel(bench.input, [&](JobStep step, auto&) { return step == JobStep::Progress && bench.progress->extractPhase.load(); },
                  [&] { bench.progress->Cancel(); });
    EXPECT_EQ(bench.Run(), JobOutcome::Finished);
    ASSERT_TRUE(cancel.Fired());
    EXPECT_FALSE(Exists(existing + L"typed")); // cancelled before the first file was whole
    EXPECT_TRUE(fs::FolderExists(existing));
}

// The staged path on one drive needs the files once and the largest of them twice: each staged
// file goes as soon as it is placed. big.exe holds 12 files of 1 MiB.
// The staged files are moved into place on one volume: it needs room for them once.
TEST(Job, TheStagedPathOnOneVolumeNeedsTheFilesOnce)
{
    const struct {
        int64_t free;
        JobOutcome end;
    } cases[] = {
        {12 * (1 << 20) + 4096, JobOutcome::Finished}, // the files and the marker
        {12 * (1 << 20) - 1, JobOutcome::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.free);
        JobBench bench("big.exe");
        fs::CreateFolderChain(bench.target);
        WriteFile(bench.target + L"part1.bin", "old");
        static int64_t free;
        free = c.free;
        bench.input.freeBytes = [](const std::wstring&) { return free; };
        bench.host.answers = {OverwriteAnswer::YesAll};
        EXPECT_EQ(bench.Run(), c.end) << testing::PrintToString(bench.said);
        if (c.end == JobOutcome::Finished) {
            EXPECT_EQ(FilesBelow(bench.target), FilesBelow(BuildFile("test-packages/big/")));
        } else {
            EXPECT_EQ(bench.said.rfind(L"There is not enough free space on ", 0), 0u) << testing::PrintToString(bench.said);
            EXPECT_EQ(ReadAll(bench.target + L"part1.bin"), "old");
        }
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
}

// Names that Windows cannot keep apart: every entry's content is found in the target under some
// name (after the person's answer where a question comes), or the end names what is missing.
TEST(Job, EveryEntryIsAccountedFor)
{
    const struct {
        const char* package;
        std::deque<OverwriteAnswer> answers;
        size_t questions;
        std::map<std::wstring, std::string> files; // the target afterwards
        JobOutcome end;
        std::vector<std::wstring> said; // in the end's text
    } cases[] = {
        {"case.exe", {OverwriteAnswer::Rename}, 1, {{L"Case.txt", "upper"}, {L"case(1).txt", "lower"}}, JobOutcome::Finished, {}},
        {"case.exe", {OverwriteAnswer::No}, 1, {{L"Case.txt", "upper"}}, JobOutcome::Finished, {}},
        {"twice.exe", {OverwriteAnswer::Rename}, 1, {{L"ok.txt", "first"}, {L"ok(1).txt", "second"}}, JobOutcome::Finished, {}},
        {"file-folder.exe", {}, 0, {{L"dup", "file"}, {L"dup(1)\\x.txt", "inside"}}, JobOutcome::Finished,
         {L"Windows cannot keep these names apart; they were placed under new names:\r\ndup\\x.txt \u2192 dup(1)\\x.txt"}},
        {"devices.exe", {}, 0, {{L"_CONIN$", "conin"}, {L"_conout$.txt", "conout"}, {L"_COM0", "com0"}}, JobOutcome::Finished, {}},
        {"too-long.exe", {}, 0, {{L"fine.txt", "fine"}}, JobOutcome::Failed,
         {L"The name of " + std::wstring(300, L'n') + L".txt is too long.",
          L"\r\n\r\nFiles extracted whole and kept in the folder: 1\r\nNot extracted:\r\n" + std::wstring(300, L'n') + L".txt"}},
    };
    ScratchFolder languages;
    UseLanguage(languages, L"Lang_English");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package);
        JobBench bench(c.package);
        bench.host.answers = c.answers;
        EXPECT_EQ(bench.Run(), c.end) << testing::PrintToString(bench.said);
        EXPECT_EQ(bench.host.asked.size(), c.questions);
        EXPECT_EQ(FilesBelow(bench.target), c.files);
        const std::wstring& said = bench.said; // the notice, or the error
        for (const std::wstring& text : c.said)
            EXPECT_NE(said.find(text), std::wstring::npos) << testing::PrintToString(said);
        if (c.said.empty()) {
            EXPECT_EQ(said, L"");
        }
        EXPECT_TRUE(bench.LeftInTemp().empty());
    }
    UseLanguageFile(L"");
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
                    return step == JobStep::Progress && bench.progress->extractPhase.load() && bench.progress->currentSize.load() > (64 << 20);
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

// A 7z CRC-32, bit by bit: enough for rewriting a header in a test.
uint32_t Crc32(const unsigned char* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Where the archive starts in a package: the first 7z signature past the program whose start
// header checks out (the program's embedded library holds the signature too); npos if none.
size_t ArchiveStart(const std::string& bytes)
{
    const std::string signature("7z\xBC\xAF\x27\x1C", 6);
    for (size_t at = bytes.find(signature, PAYLOAD_OFFSET); at != std::string::npos; at = bytes.find(signature, at + 1)) {
        uint32_t stored = 0;
        if (at + 32 > bytes.size())
            break;
        std::memcpy(&stored, bytes.data() + at + 8, 4);
        if (Crc32(reinterpret_cast<const unsigned char*>(bytes.data() + at + 12), 20) == stored)
            return at;
    }
    return std::string::npos;
}

// One byte of an uncompressed archive header changed, with both CRCs written anew: the padding
// 7-Zip puts before the names must be zeros, and 7zz calls a header with a non-zero one a "Headers
// Error". The library opens such an archive all the same; it is a damaged package, not a success.
TEST(Job, AnArchiveWithBrokenHeadersIsADamagedPackage)
{
    JobBench bench("headers.exe");
    std::string bytes = ReadAll(bench.input.programPath);
    const size_t start = ArchiveStart(bytes);
    ASSERT_NE(start, std::string::npos);
    auto* archive = reinterpret_cast<unsigned char*>(bytes.data() + start);
    uint64_t headerOffset = 0, headerSize = 0;
    std::memcpy(&headerOffset, archive + 12, 8);
    std::memcpy(&headerSize, archive + 20, 8);
    const std::string header(reinterpret_cast<char*>(archive) + 32 + headerOffset, headerSize);
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
    unsigned char* changed = archive + 32 + headerOffset;
    changed[padding] = 0x01;
    const uint32_t headerCrc = Crc32(changed, static_cast<size_t>(headerSize));
    std::memcpy(archive + 28, &headerCrc, 4);
    const uint32_t startCrc = Crc32(archive + 12, 20);
    std::memcpy(archive + 8, &startCrc, 4);
    bench.input.programPath = bench.scratch / L"damaged.exe";
    WriteFile(bench.input.programPath, bytes);

    EXPECT_EQ(bench.Run(), JobOutcome::Failed);
    EXPECT_EQ(bench.said, L"The package is damaged or incomplete.");
    EXPECT_FALSE(Exists(bench.target));
    EXPECT_TRUE(bench.LeftInTemp().empty());
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

// Packages damaged in every part of their archive, made from one good package: each ends with a
// reason a person can read (never the system's "Invalid function"), and leaves nothing behind.
TEST(Job, EachDamageEndsWithAReasonAPersonCanRead)
{
    const std::string good = ReadAll(BuildFile("test-packages/good.exe"));
    const size_t start = ArchiveStart(good);
    ASSERT_NE(start, std::string::npos);
    uint64_t headerOffset = 0, headerSize = 0;
    std::memcpy(&headerOffset, good.data() + start + 12, 8);
    std::memcpy(&headerSize, good.data() + start + 20, 8);
    const size_t packed = start + 32, header = packed + headerOffset;
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
    UseLanguage(languages, L"Lang_English");
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
    UseLanguageFile(L"");
}

} // namespace
