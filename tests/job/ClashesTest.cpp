// Files that clash with files in the target folder: staged first, then placed one by one, each
// clash settled by the person's answer.
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
        if (c.answer == OverwriteAnswer::Rename) {
            EXPECT_EQ(files[L"one(1).txt"], "x");
        }
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

} // namespace
