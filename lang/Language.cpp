#include "lang/Language.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/ResourceFile.h"
#include "fs/WorkFolder.h"

#include <cwchar>
#include <initializer_list>
#include <map>
#include <mutex>
#include <vector>

namespace lang {

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

void DeployLanguageFile(const std::wstring& workFolder)
{
    const std::wstring path = workFolder + fs::kLanguageFileName;
    fs::SaveResourceToFile(LanguageResourceFor(::GetSystemDefaultLangID()), L"FILE", path);
    UseLanguageFile(path);
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

namespace {

// The texts of section "Main" of one language file, read whole at the first lookup: the file goes
// with the working folder while windows may still show texts.
class LoadedTexts {
public:
    void Use(const std::wstring& path)
    {
        std::lock_guard<std::mutex> held(lock_);
        file_ = path;
    }

    std::wstring Text(const std::wstring& key)
    {
        std::lock_guard<std::mutex> held(lock_);
        const std::wstring& path = file_;
        // Read again when the file is another or was written again; kept when it is gone.
        WIN32_FILE_ATTRIBUTE_DATA stamp{};
        const bool there = ::GetFileAttributesExW(fs::LongPathForm(path).c_str(), GetFileExInfoStandard, &stamp);
        if (path != path_ || (there && !SameStamp(stamp, stamp_))) {
            path_ = path;
            stamp_ = stamp;
            texts_ = ReadSection(path);
        }
        const auto found = texts_.find(fs::CaseKey(key)); // keys match whatever their case
        return found == texts_.end() || found->second.empty() ? L"???" : found->second;
    }

private:
    static bool SameStamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
    {
        return ::CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0 && a.nFileSizeLow == b.nFileSizeLow &&
               a.nFileSizeHigh == b.nFileSizeHigh;
    }

    static std::map<std::wstring, std::wstring> ReadSection(const std::wstring& path)
    {
        std::map<std::wstring, std::wstring> texts;
        if (!fs::FileExists(path))
            return texts;
        // The key names, each ending in a zero, the last followed by a second zero.
        std::vector<wchar_t> keys(8192);
        while (::GetPrivateProfileStringW(L"Main", nullptr, L"", keys.data(), static_cast<DWORD>(keys.size()),
                                          path.c_str()) + 2 >= keys.size())
            keys.resize(keys.size() * 2);
        for (const wchar_t* key = keys.data(); *key; key += std::wcslen(key) + 1)
            texts.emplace(fs::CaseKey(key), ReadLangText(path, L"Main", key));
        return texts;
    }

    std::mutex lock_;
    std::wstring file_; // in use
    std::wstring path_; // read into texts_
    WIN32_FILE_ATTRIBUTE_DATA stamp_{};
    std::map<std::wstring, std::wstring> texts_;
};

LoadedTexts& Loaded()
{
    static LoadedTexts loaded;
    return loaded;
}

} // namespace

void UseLanguageFile(const std::wstring& path)
{
    Loaded().Use(path);
}

std::wstring LangText(const std::wstring& key)
{
    return Loaded().Text(key);
}

std::wstring WithoutPlaceholders(const std::wstring& text)
{
    std::wstring result = text;
    for (size_t at; (at = result.find(L"{0}")) != std::wstring::npos;)
        result.erase(at, 3);
    return fs::TrimBlanks(result);
}

std::wstring LangText(const std::wstring& key, const std::vector<std::wstring>& args, const std::wstring& fallback)
{
    std::wstring text = LangText(key);
    if (text == L"???")
        return fallback;
    for (size_t n = 0; n < args.size(); ++n) {
        const std::wstring placeholder = L"{" + std::to_wstring(n) + L"}";
        for (size_t at = 0; (at = text.find(placeholder, at)) != std::wstring::npos; at += args[n].size())
            text.replace(at, placeholder.size(), args[n]);
    }
    return text;
}

std::wstring ErrorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const win32::Error& e) {
        return e.reason().empty() ? e.message() : LangText(e.reason(), e.args(), e.message());
    } catch (const std::bad_alloc&) {
        return L"There is not enough memory to go on.";
    } catch (const std::exception& e) {
        const std::string what = e.what(); // the library's texts are plain ASCII
        return std::wstring(what.begin(), what.end());
    } catch (...) {
    }
    return L"An unexpected error occurred.";
}

} // namespace lang
