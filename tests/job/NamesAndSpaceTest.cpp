// Names Windows cannot hold, paths past MAX_PATH, every entry accounted for, and a drive too
// small for the package.
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
    const UseLanguage english(languages, L"Lang_English");
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

} // namespace
