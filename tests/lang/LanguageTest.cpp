#include "lang/Language.h"

#include "fs/ResourceFile.h"
#include "fs/WorkFolder.h"
#include "support/TestFiles.h"
#include "support/Languages.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace lang;

using testing_support::ReadAll;
using testing_support::ScratchFolder;
using testing_support::SourceFile;

namespace {

TEST(LanguageResourceFor, ChoosesByTheSystemLanguage)
{
    const struct {
        LANGID id;
        const wchar_t* resource;
    } cases[] = {
        {0x0409, L"Lang_English"},     // English (United States)
        {0x0804, L"Lang_Simplified"},
        {0x0404, L"Lang_Traditional"}, {0x0C04, L"Lang_Traditional"}, {0x1004, L"Lang_Traditional"},
        {0x0407, L"Lang_Deutsch"},
        {0x0410, L"Lang_Italian"},
        {0x0416, L"Lang_Portuguese"},  {0x0816, L"Lang_Portuguese"},
        {0x040C, L"Lang_French"},      {0x080C, L"Lang_French"},
        {0x0411, L"Lang_Japanese"},
        // Spanish is Spanish wherever it is spoken...
        {0x040A, L"Lang_Spanish"}, {0x080A, L"Lang_Spanish"}, {0x0C0A, L"Lang_Spanish"},
        {0x300A, L"Lang_Spanish"}, {0x340A, L"Lang_Spanish"}, {0x540A, L"Lang_Spanish"},
        // ...and nothing else is, whatever its number.
        {0x0809, L"Lang_English"},     // English (United Kingdom)
        {0x0419, L"Lang_English"},     // Russian
        {0x0412, L"Lang_English"},     // Korean
        {0x0807, L"Lang_English"},     // German (Switzerland)
        {0x0C0C, L"Lang_English"},     // French (Canada)
        {0x1404, L"Lang_English"},     // Chinese (Macao)
        {0x0401, L"Lang_English"},     // Arabic
        {0x0000, L"Lang_English"},
        {0x7C04, L"Lang_English"},
        {0xFFFF, L"Lang_English"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(LanguageResourceFor(c.id), c.resource) << std::hex << c.id;
    for (WORD sub = 1; sub < 0x20; ++sub)
        EXPECT_STREQ(LanguageResourceFor(MAKELANGID(LANG_SPANISH, sub)), L"Lang_Spanish") << sub;
}

TEST(SaveResourceToFile, WritesTheResourceByteForByteOverALongerFile)
{
    ScratchFolder scratch;
    const std::wstring target = scratch / L"en.txt";
    testing_support::WriteFile(target, std::string(100000, '#'));

    fs::SaveResourceToFile(L"Lang_Deutsch", L"FILE", target);
    EXPECT_EQ(ReadAll(target), ReadAll(SourceFile("resources/lang/Lang_Deutsch.txt")));
    // Names are found whatever their case.
    fs::SaveResourceToFile(L"lang_japanese", L"file", target);
    EXPECT_EQ(ReadAll(target), ReadAll(SourceFile("resources/lang/Lang_Japanese.txt")));
}

std::wstring ErrorOf(const std::wstring& name, const std::wstring& path)
{
    return testing_support::MessageOf([&] { fs::SaveResourceToFile(name, L"FILE", path); });
}

TEST(SaveResourceToFile, SaysWhatWentWrong)
{
    ScratchFolder scratch;
    EXPECT_EQ(ErrorOf(L"Lang_Klingon", scratch / L"en.txt"), L"Resource Lang_Klingon not found");
    EXPECT_FALSE(testing_support::Exists(scratch / L"en.txt"));

    const std::wstring noFolder = scratch / L"missing\\en.txt";
    EXPECT_EQ(ErrorOf(L"Lang_English", noFolder),
              L"Cannot create file \"" + noFolder + L"\". " + win32::SystemErrorText(ERROR_PATH_NOT_FOUND));

    // A file that another program holds open without sharing cannot be replaced.
    const std::wstring locked = scratch / L"locked.txt";
    win32::FileHandle holder(::CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(ErrorOf(L"Lang_English", locked),
              L"Cannot create file \"" + locked + L"\". " + win32::SystemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(win32::SystemErrorText(ERROR_SHARING_VIOLATION).empty());
}

TEST(DeployLanguageFile, WritesTheSystemLanguagesFileAsEnTxtInTheWorkingFolder)
{
    ScratchFolder scratch;
    DeployLanguageFile(scratch.path());
    const std::wstring deployed = scratch.path() + L"en.txt";
    const std::wstring chosen = LanguageResourceFor(::GetSystemDefaultLangID());
    const std::string expected = ReadAll(SourceFile("resources/lang/" + std::string(chosen.begin(), chosen.end()) + ".txt"));
    EXPECT_EQ(ReadAll(deployed), expected);
    EXPECT_EQ(LangText(L"02000B00"), ReadLangText(deployed, L"Main", L"02000B00")); // and it is the one in use
    UseLanguageFile(L"");
}

// A language file in the format the program ships, UTF-16LE with a byte-order mark.
void WriteLanguageFile(const std::wstring& path, const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    testing_support::WriteFile(path, bytes);
}

const wchar_t kRulesFile[] =
    L";!@Lang@!UTF-8!\r\n"
    L"00000000=\"Header\"\r\n"
    L"[Other]\r\n"
    L"02000B00=\"wrong section\"\r\n"
    L"[Main]\r\n"
    L"; comment\r\n"
    L"02000B00=\"Enter password\"\r\n"
    L"02000C01=\" blanks kept \"\r\n"
    L"02000C02='single quotes'\r\n"
    L"02000C03=\"quotes that differ'\r\n"
    L"02000C04=   \"blanks outside\"   \r\n"
    L"02000C05=\"Kann den Ordner \\\"{0}\\\" nicht erstellen.\"\r\n"
    L"02000C06=\"\"\r\n"
    L"02000C07=\r\n"
    L"02000C08=\"first\"\r\n"
    L"02000C08=\"second\"\r\n"
    L"02000c09=\"lower-case key\"\r\n"
    L"02000C0A=unquoted {0} text\r\n"
    L"02000C0B=\"inner \"quotes\" stay\"\r\n";

TEST(ReadLangText, FollowsTheReadingRulesTheTextsRelyOn)
{
    ScratchFolder scratch;
    const std::wstring file = scratch / L"en.txt";
    WriteLanguageFile(file, kRulesFile);
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* text;
    } cases[] = {
        {L"Main", L"02000B00", L"Enter password"},
        {L"main", L"02000b00", L"Enter password"},
        {L"MAIN", L"02000B00", L"Enter password"},
        {L"Other", L"02000B00", L"wrong section"},
        {L"Main", L"02000C01", L" blanks kept "},
        {L"Main", L"02000C02", L"single quotes"},
        {L"Main", L"02000C03", L"\"quotes that differ'"},
        {L"Main", L"02000C04", L"blanks outside"},
        {L"Main", L"02000C05", L"Kann den Ordner \\\"{0}\\\" nicht erstellen."},
        {L"Main", L"02000C06", L"???"},
        {L"Main", L"02000C07", L"???"},
        {L"Main", L"02000C08", L"first"},
        {L"Main", L"02000C09", L"lower-case key"},
        {L"Main", L"02000C0A", L"unquoted {0} text"},
        {L"Main", L"02000C0B", L"inner \"quotes\" stay"},
        {L"Main", L"02000FFF", L"???"},
        {L"Missing", L"02000B00", L"???"},
        {L"Main", L"00000000", L"???"}, // header entries stand outside every section
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadLangText(file, c.section, c.key), c.text) << testing::PrintToString(std::wstring(c.key));
}

// The working folder, language file included, may go while windows still show texts (a cancel
// confirmed during extraction): every text stays right, those not looked up before too.
TEST(LangText, KeepsEveryTextOnceTheFileIsGone)
{
    ScratchFolder scratch;
    const std::wstring file = scratch / L"en.txt";
    WriteLanguageFile(file, kRulesFile);
    UseLanguageFile(file);
    std::vector<std::pair<std::wstring, std::wstring>> expected;
    for (const wchar_t* key : {L"02000B00", L"02000C01", L"02000C05", L"02000C06", L"02000c09", L"02000C0B", L"02000FFF"})
        expected.emplace_back(key, ReadLangText(file, L"Main", key));
    EXPECT_EQ(LangText(L"02000B00"), L"Enter password");
    ASSERT_TRUE(::DeleteFileW(file.c_str()));
    for (const auto& [key, text] : expected)
        EXPECT_EQ(LangText(key), text) << testing::PrintToString(key);
    UseLanguageFile(L"");
}

TEST(ReadLangText, GivesQuestionMarksWithoutAFile)
{
    ScratchFolder scratch;
    EXPECT_EQ(ReadLangText(scratch / L"en.txt", L"Main", L"02000B00"), L"???");
    EXPECT_EQ(ReadLangText(scratch.path(), L"Main", L"02000B00"), L"???"); // a folder is no file
    EXPECT_EQ(ReadLangText(L"", L"Main", L"02000B00"), L"???");
}

TEST(ReadLangText, LooksForARelativePathInTheProgramsFolder)
{
    wchar_t program[MAX_PATH];
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder = program;
    folder.erase(folder.find_last_of(L'\\') + 1);
    const std::wstring name = L"relative-lookup-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    WriteLanguageFile(folder + name, L"[Main]\r\n02000B00=\"beside the program\"\r\n");

    ScratchFolder elsewhere;
    ::SetCurrentDirectoryW(elsewhere.path().c_str());
    const std::wstring text = ReadLangText(name, L"Main", L"02000B00");
    ::SetCurrentDirectoryW(folder.c_str());
    ::DeleteFileW((folder + name).c_str());

    EXPECT_EQ(text, L"beside the program");
}

} // namespace

namespace {

// Whatever was raised, the person reads one text for it: the program's errors in their language
// (in English without the language's text), the rest in plain words; and code that knows only
// std::exception reads the English message.
TEST(ErrorText, SaysWhatAnyErrorMeans)
{
    ScratchFolder scratch;
    const testing_support::UseLanguage german(scratch, L"Lang_Deutsch");
    const win32::Error full(L"There is not enough free space on F: (2 MB needed, 1 MB free).", L"02000C46",
                            {L"F:", L"2 MB", L"1 MB"});
    const struct {
        std::exception_ptr error;
        std::wstring text;
    } cases[] = {
        {std::make_exception_ptr(full), LangText(L"02000C46", {L"F:", L"2 MB", L"1 MB"}, L"")},
        {std::make_exception_ptr(win32::Error(L"Nicht übersetzt", L"02000FFF", {})), L"Nicht übersetzt"},
        {std::make_exception_ptr(win32::Error(L"Plain message")), L"Plain message"},
        {std::make_exception_ptr(std::bad_alloc()), L"There is not enough memory to go on."},
        {std::make_exception_ptr(std::runtime_error("no such button")), L"no such button"},
        {std::make_exception_ptr(42), L"An unexpected error occurred."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorText(c.error), c.text);
    EXPECT_NE(LangText(L"02000C46", {L"F:", L"2 MB", L"1 MB"}, L"").find(L"F:"), std::wstring::npos);
    EXPECT_STREQ(win32::Error(L"Größe \"ä\"").what(), "Gr\xC3\xB6\xC3\x9F" "e \"\xC3\xA4\"");
}

} // namespace
