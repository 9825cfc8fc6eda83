#include "lang/Language.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/ResourceFile.h"
#include "fs/WorkFolder.h"

#include <initializer_list>

std::wstring g_sLangFile;

namespace {

bool IsOneOf(LANGID language, std::initializer_list<LANGID> ids)
{
    for (LANGID id : ids)
        if (language == id)
            return true;
    return false;
}

} // namespace

const wchar_t* LanguageResourceFor(LANGID language)
{
    if (language == 0x0804)
        return L"Lang_Simplified";
    if (IsOneOf(language, {0x0404, 0x0C04, 0x1004}))
        return L"Lang_Traditional";
    if (language == 0x0407)
        return L"Lang_Deutsch";
    if (language == 0x0410)
        return L"Lang_Italian";
    if (IsOneOf(language, {0x0416, 0x0816}))
        return L"Lang_Portuguese";
    if (IsOneOf(language, {0x040C, 0x080C}))
        return L"Lang_French";
    if (language == 0x0411)
        return L"Lang_Japanese";
    if (PRIMARYLANGID(language) == LANG_SPANISH)
        return L"Lang_Spanish";
    return L"Lang_English";
}

void DeployLanguageFile()
{
    g_sLangFile = g_sWorkDir + L"en.txt";
    SaveResourceToFile(LanguageResourceFor(::GetSystemDefaultLangID()), L"FILE", g_sLangFile);
}

std::wstring ReadLangText(const std::wstring& path, const std::wstring& section, const std::wstring& key)
{
    std::wstring file = path;
    if (!fs::FileExists(file)) {
        file = fs::ProgramFolder() + path;
        if (!fs::FileExists(file))
            return L"???";
    }
    wchar_t text[2048] = {};
    ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"???", text, 2048, file.c_str());
    return text[0] ? text : L"???";
}

std::wstring LangText(const std::wstring& key)
{
    return ReadLangText(g_sLangFile, L"Main", key);
}

std::wstring WithoutPlaceholders(const std::wstring& text)
{
    std::wstring result = text;
    for (size_t at; (at = result.find(L"{0}")) != std::wstring::npos;)
        result.erase(at, 3);
    return fs::TrimBlanks(result);
}

std::wstring ErrorText(const win32::Error& error)
{
    if (error.reason().empty())
        return error.message();
    std::wstring text = LangText(error.reason());
    if (text == L"???")
        return error.message();
    for (size_t n = 0; n < error.args().size(); ++n) {
        const std::wstring placeholder = L"{" + std::to_wstring(n) + L"}";
        for (size_t at = 0; (at = text.find(placeholder, at)) != std::wstring::npos; at += error.args()[n].size())
            text.replace(at, placeholder.size(), error.args()[n]);
    }
    return text;
}
