// The nine language files as the program carries them: their format and every text it shows.
#include "lang/Language.h"

#include "ExpectedTexts.h"
#include "fs/ResourceFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

using namespace lang;

using testing_support::ReadAll;
using testing_support::ScratchFolder;

namespace {

std::wstring Utf16Text(const std::string& bytes)
{
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

TEST(LanguageFiles, OneForEachLanguageTheProgramChooses)
{
    std::set<std::wstring> carried;
    for (const auto& language : kExpectedTexts)
        carried.insert(language.resource);
    EXPECT_EQ(carried.size(), 9u);
    for (LANGID id = 0; id < 0x6000; ++id)
        EXPECT_TRUE(carried.count(LanguageResourceFor(id))) << std::hex << id;
}

TEST(LanguageFiles, AreUtf16IniFilesWithTheHeaderBeforeTheMainSection)
{
    ScratchFolder scratch;
    for (const auto& language : kExpectedTexts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(language.resource)));
        const std::wstring file = scratch / L"en.txt";
        fs::SaveResourceToFile(language.resource, L"FILE", file);
        const std::string bytes = ReadAll(file);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        EXPECT_EQ(bytes.size() % 2, 0u);

        const std::wstring text = Utf16Text(bytes);
        EXPECT_EQ(text.substr(0, text.find(L"\r\n")), L";!@Lang@!UTF-8!");
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == L'\r') << "bare line feed at " << i;
            }
        }
        const size_t main = text.find(L"\r\n[Main]\r\n");
        ASSERT_NE(main, std::wstring::npos);
        EXPECT_EQ(text.find(L"\r\n[", main + 2), std::wstring::npos) << "one section only";
        for (const wchar_t* header : {L"\r\n00000000=", L"\r\n00000001=", L"\r\n00000002="})
            EXPECT_LT(text.find(header), main) << testing::PrintToString(std::wstring(header));
        EXPECT_NE(text.find(L"\r\n; Unzip "), std::wstring::npos) << "names the product";
    }
}

TEST(LanguageFiles, GiveEveryTextExactlyAsTranslated)
{
    ScratchFolder scratch;
    for (const auto& language : kExpectedTexts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(language.resource)));
        const std::wstring file = scratch / L"en.txt";
        fs::SaveResourceToFile(language.resource, L"FILE", file);
        EXPECT_EQ(language.texts.size(), 39u);
        for (const auto& [key, text] : language.texts)
            EXPECT_EQ(ReadLangText(file, L"Main", key), text) << testing::PrintToString(std::wstring(key));
    }
}

// The placeholders of a text ("{0}", "{1}"...), in order of appearance.
std::vector<std::wstring> Placeholders(const std::wstring& text)
{
    std::vector<std::wstring> found;
    for (size_t at = text.find(L'{'); at != std::wstring::npos; at = text.find(L'{', at + 1)) {
        const size_t end = text.find(L'}', at);
        if (end != std::wstring::npos)
            found.push_back(text.substr(at, end - at + 1));
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The reasons the program gives when files cannot be extracted: in every language, non-empty, with
// the placeholders of the English text.
TEST(LanguageFiles, GiveEveryReasonWithTheEnglishPlaceholders)
{
    ScratchFolder scratch;
    const wchar_t* const reasons[] = {L"02000C41", L"02000C42", L"02000C43", L"02000C44", L"02000C45", L"02000C46",
                                      L"02000C47", L"02000C48", L"02000C49", L"02000C50", L"02000C51", L"02000C52",
                                      L"02000C53"};
    fs::SaveResourceToFile(L"LANG_ENGLISH", L"FILE", scratch / L"english.txt");
    for (const auto& language : kExpectedTexts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(language.resource)));
        const std::wstring file = scratch / L"en.txt";
        fs::SaveResourceToFile(language.resource, L"FILE", file);
        for (const wchar_t* key : reasons) {
            const std::wstring english = ReadLangText(scratch / L"english.txt", L"Main", key);
            const std::wstring text = ReadLangText(file, L"Main", key);
            EXPECT_NE(text, L"???") << testing::PrintToString(std::wstring(key));
            EXPECT_EQ(Placeholders(text), Placeholders(english)) << testing::PrintToString(std::wstring(key));
        }
    }
}

} // namespace
