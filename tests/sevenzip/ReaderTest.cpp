#include "sevenzip/ArchiveReader.h"

#include "fs/ByteStream.h"
#include "job/PackageFormat.h"
#include "support/Library.h"
#include "win32/Error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

using namespace job;
using namespace sevenzip;
using namespace testing_support;

namespace {

constexpr wchar_t kPassword[] = L"secret";

class Reader : public ::testing::Test {
protected:
    std::unique_ptr<sevenzip::ArchiveReader> Open(const std::string& archive, const wchar_t* password = kPassword,
                                         uint64_t searchWindow = 0)
    {
        auto reader = std::make_unique<sevenzip::ArchiveReader>(CopyLibrary(scratch));
        reader->OpenArchiveFile(TestArchive(archive), searchWindow);
        reader->SetPassword(password);
        return reader;
    }

    ScratchFolder scratch;
};

TEST_F(Reader, ListsPathsSizesAndFolders)
{
    auto reader = Open("mixed.7z");
    std::map<std::wstring, std::pair<uint64_t, bool>> entries;
    for (uint32_t i = 0; i < reader->ItemCount(); ++i) {
        entries[reader->ItemPath(i)] = {reader->ItemSize(i), reader->ItemIsFolder(i)};
    }

    using Entry = std::pair<uint64_t, bool>;
    EXPECT_EQ(entries[L"docs\\nested\\deeper\\data.bin"], Entry(61441, false));
    EXPECT_EQ(entries[L"one.txt"], Entry(1, false));
    EXPECT_EQ(entries[L"zero.txt"], Entry(0, false));
    EXPECT_EQ(entries[L"empty"], Entry(0, true));
    EXPECT_EQ(entries[L"docs\\nested"], Entry(0, true));
    EXPECT_EQ(entries[L"中文\\文件.txt"], Entry(18, false));
    EXPECT_EQ(entries[L"日本語\\ファイル.txt"], Entry(18, false));
    EXPECT_EQ(entries[L"Größe\\Übung.txt"], Entry(18, false));
    EXPECT_EQ(entries.size(), reader->ItemCount());

    // Past the last entry everything reads as empty; the library is not asked.
    for (uint32_t beyond : {reader->ItemCount(), reader->ItemCount() + 5, 0xFFFFFFFFu}) {
        EXPECT_EQ(reader->ItemPath(beyond), L"");
        EXPECT_EQ(reader->ItemSize(beyond), 0u);
        EXPECT_FALSE(reader->ItemIsFolder(beyond));
    }
}

TEST_F(Reader, ExtractsEveryMethodAndFilter)
{
    const auto expected = FilesBelow(TestTree());
    ASSERT_EQ(expected.size(), 9u);
    for (const char* archive : {"mixed.7z", "method-LZMA.7z", "method-LZMA2.7z", "method-PPMd.7z",
                                "method-BZip2.7z", "method-Deflate.7z", "method-Copy.7z", "filter-BCJ.7z",
                                "filter-BCJ2.7z", "filter-ARM.7z", "filter-ARMT.7z", "filter-ARM64.7z",
                                "filter-PPC.7z", "filter-SPARC.7z", "filter-IA64.7z", "filter-RISCV.7z",
                                "filter-Delta.7z", "plain.7z"}) {
        SCOPED_TRACE(archive);
        const std::wstring target = scratch / (std::wstring(archive, archive + std::strlen(archive)) + L"\\");
        auto reader = Open(archive);
        reader->ExtractAllTo(target);
        EXPECT_EQ(FilesBelow(target), expected);
    }
}

TEST_F(Reader, ExtractAllToCreatesFoldersOnlyForFilesAndReplacesExistingFiles)
{
    const std::wstring with = scratch / L"with\\";
    const std::wstring without = scratch / L"without";
    ::CreateDirectoryW(without.c_str(), nullptr);
    ::CreateDirectoryW((without + L"\\docs").c_str(), nullptr);
    WriteFile(without + L"\\docs\\readme.txt", std::string(5000, 'o'));

    auto reader = Open("mixed.7z");
    reader->ExtractAllTo(with);
    reader->ExtractAllTo(without);

    EXPECT_EQ(FilesBelow(with), FilesBelow(without + L"\\"));
    EXPECT_EQ(ReadAll(without + L"\\docs\\readme.txt"), "read me\r\n");
    for (const auto& folder : FoldersBelow(with))
        EXPECT_NE(folder, L"empty");
    EXPECT_TRUE(Exists(with + L"zero.txt"));
}

TEST_F(Reader, ExtractsOneEntryIntoTheCallersStreamUnlessTesting)
{
    auto reader = Open("mixed.7z");
    uint32_t readme = 0;
    while (reader->ItemPath(readme) != L"docs\\readme.txt")
        ++readme;

    auto stream = fs::ByteStream::Create(scratch / L"out.bin");
    stream->Write("AB", 2);
    reader->ExtractItemToStream(readme, *stream, true);
    EXPECT_EQ(stream->Size(), 2u);
    reader->ExtractItemToStream(readme, *stream, false);
    stream.reset();
    EXPECT_EQ(ReadAll(scratch / L"out.bin"), "ABread me\r\n");
    EXPECT_EQ(reader->ItemResult(readme), sevenzip::kResultOk);
}

TEST_F(Reader, FindsTheArchiveOnlyWithinTheFirstMebibyte)
{
    auto inside = Open("offset-inside.bin", kPassword, SEARCH_WINDOW);
    EXPECT_GT(inside->ItemCount(), 0u);
    inside->ExtractAllTo(scratch / L"inside");
    EXPECT_EQ(FilesBelow(scratch / L"inside\\"), FilesBelow(TestTree()));

    for (const char* archive : {"offset-beyond.bin", "not-an-archive.bin"}) {
        auto reader = std::make_unique<sevenzip::ArchiveReader>(CopyLibrary(scratch));
        // Not the system's text for the library's S_FALSE ("Invalid function"): a damaged package.
        EXPECT_EQ(MessageOf([&] { reader->OpenArchiveFile(TestArchive(archive), SEARCH_WINDOW); }),
                  L"The package is damaged or incomplete.")
            << archive;
    }

    auto reader = std::make_unique<sevenzip::ArchiveReader>(CopyLibrary(scratch));
    const std::wstring missing = scratch / L"missing.7z";
    EXPECT_EQ(MessageOf([&] { reader->OpenArchiveFile(missing); }),
              L"Cannot open file \"" + missing + L"\". " + win32::SystemErrorText(ERROR_FILE_NOT_FOUND));
}

struct ProgressLog {
    std::vector<std::pair<int32_t, int64_t>> calls;
    int32_t answer = 0;
    static int32_t Record(void* context, int32_t isTotal, int64_t value)
    {
        auto* log = static_cast<ProgressLog*>(context);
        log->calls.emplace_back(isTotal, value);
        return log->answer;
    }
};

TEST_F(Reader, ReportsTheTotalBeforeGrowingCompletedValues)
{
    auto reader = Open("method-Copy.7z");
    ProgressLog log;
    reader->SetProgressSink(&log, &ProgressLog::Record);
    reader->ExtractAllTo(scratch / L"out");

    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(log.calls.front().first, 1);
    const int64_t total = log.calls.front().second;
    EXPECT_GE(total, 61441 + 1);
    int64_t last = 0;
    for (size_t i = 1; i < log.calls.size(); ++i) {
        if (log.calls[i].first)
            continue;
        EXPECT_GE(log.calls[i].second, last);
        last = log.calls[i].second;
    }
    EXPECT_EQ(last, total);
}

TEST_F(Reader, AStopFromTheProgressSinkEndsTheExtractionWithAnError)
{
    auto reader = Open("method-LZMA.7z");
    ProgressLog log;
    log.answer = 1;
    reader->SetProgressSink(&log, &ProgressLog::Record);
    EXPECT_EQ(MessageOf([&] { reader->ExtractAllTo(scratch / L"out"); }), ResultText(S_FALSE));
    EXPECT_EQ(log.calls.size(), 1u);
}

struct PasswordSource {
    int asked = 0;
    int32_t answer = 0;
    std::wstring password = kPassword;
    static int32_t Ask(void* context, std::wstring& password)
    {
        auto* source = static_cast<PasswordSource*>(context);
        ++source->asked;
        password = source->password;
        return source->answer;
    }
};

// Asks the reader for the password as the library does.
HRESULT LibraryAsksForPassword(sevenzip::ArchiveReader* reader, std::wstring& password)
{
    BSTR answer = nullptr;
    const HRESULT result = reader->Caller().AnswerPassword(&answer);
    password = answer ? answer : L"<none>";
    ::SysFreeString(answer);
    return result;
}

TEST_F(Reader, AsksThePasswordSourceOnceWhenNoPasswordWasSet)
{
    auto reader = Open("mixed.7z", L"");
    PasswordSource source;
    reader->SetPasswordSource(&source, &PasswordSource::Ask);
    reader->ExtractAllTo(scratch / L"out");
    EXPECT_EQ(source.asked, 1); // five encrypted blocks, one question
    EXPECT_EQ(FilesBelow(scratch / L"out\\"), FilesBelow(TestTree()));

    // An empty answer is an answer too, and is kept.
    auto again = Open("mixed.7z", L"");
    PasswordSource empty;
    empty.password = L"";
    again->SetPasswordSource(&empty, &PasswordSource::Ask);
    std::wstring given;
    EXPECT_EQ(LibraryAsksForPassword(again.get(), given), S_OK);
    EXPECT_EQ(LibraryAsksForPassword(again.get(), given), S_OK);
    EXPECT_EQ(given, L"");
    EXPECT_EQ(empty.asked, 1);
}

TEST_F(Reader, PasswordRequestsWithoutAnAnswer)
{
    auto reader = Open("mixed.7z", L"");
    std::wstring given;
    EXPECT_EQ(LibraryAsksForPassword(reader.get(), given), S_FALSE); // nobody to ask
    EXPECT_EQ(given, L"<none>");

    PasswordSource refusing;
    refusing.answer = static_cast<int32_t>(E_ABORT);
    reader->SetPasswordSource(&refusing, &PasswordSource::Ask);
    EXPECT_EQ(LibraryAsksForPassword(reader.get(), given), E_ABORT); // handed on unchanged
    EXPECT_EQ(LibraryAsksForPassword(reader.get(), given), E_ABORT); // and not remembered
    EXPECT_EQ(refusing.asked, 2);

    // A password set for one opening is forgotten when the archive closes.
    reader->SetPasswordSource(nullptr, nullptr);
    reader->SetPassword(kPassword);
    EXPECT_EQ(LibraryAsksForPassword(reader.get(), given), S_OK);
    EXPECT_EQ(given, kPassword);
    reader->CloseArchive();
    reader->OpenArchiveFile(TestArchive("mixed.7z"));
    EXPECT_EQ(LibraryAsksForPassword(reader.get(), given), S_FALSE);
}

TEST_F(Reader, AWrongPasswordShowsInTheEntryResults)
{
    auto reader = Open("mixed.7z", L"not the password");
    uint32_t readme = 0;
    while (reader->ItemPath(readme) != L"docs\\readme.txt")
        ++readme;
    auto stream = fs::ByteStream::Create(scratch / L"probe.bin");
    EXPECT_NO_THROW(reader->ExtractItemToStream(readme, *stream, false));
    const int32_t result = reader->ItemResult(readme);
    EXPECT_TRUE(result == sevenzip::kResultWrongPassword || result == sevenzip::kResultDataError ||
                result == sevenzip::kResultCrcError)
        << result;

    const std::wstring error = MessageOf([&] { reader->ExtractAllTo(scratch / L"out"); });
    EXPECT_TRUE(error.rfind(L"Wrong password: ", 0) == 0 || error.rfind(L"Data error: ", 0) == 0 ||
                error.rfind(L"CRC error: ", 0) == 0)
        << testing::PrintToString(error);
}

TEST_F(Reader, DamagedDataIsAnErrorNamingTheEntryAndTheSoundFilesStay)
{
    auto reader = Open("damaged.7z", L"");
    EXPECT_EQ(MessageOf([&] { reader->ExtractAllTo(scratch / L"out"); }), L"CRC error: docs\\nested\\deeper\\data.bin");
    EXPECT_EQ(ReadAll(scratch / L"out\\one.txt"), "x");
    EXPECT_EQ(ReadAll(scratch / L"out\\docs\\readme.txt"), "read me\r\n");
}

TEST_F(Reader, RefusesAnEntryThatWouldLeaveTheFolder)
{
    const std::wstring target = scratch / L"target\\";
    auto reader = Open("unsafe-parent.7z", L"");
    const std::wstring error = MessageOf([&] { reader->ExtractAllTo(target); });
    EXPECT_NE(error.find(L"..\\evil.txt"), std::wstring::npos) << testing::PrintToString(error);
    EXPECT_FALSE(Exists(scratch / L"evil.txt"));
}

TEST_F(Reader, AFileThatCannotBeCreatedEndsTheExtractionWithItsOwnMessage)
{
    const std::wstring target = scratch / L"out\\";
    ::CreateDirectoryW(target.c_str(), nullptr);
    const std::wstring locked = target + L"one.txt";
    WriteFile(locked, "mine");
    win32::FileHandle holder(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);

    auto reader = Open("plain.7z", L"");
    EXPECT_EQ(MessageOf([&] { reader->ExtractAllTo(target); }),
              L"Cannot create file \"" + locked + L"\". " + win32::SystemErrorText(ERROR_SHARING_VIOLATION));
    holder.reset();
    EXPECT_EQ(ReadAll(locked), "mine");
}

} // namespace
