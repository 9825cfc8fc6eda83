#include "job/ReportTexts.h"

#include "lang/Language.h"
#include "lang/TextKeys.h"

namespace key = lang::key;

namespace job {

namespace {

// As many names as a message box shows at a glance.
constexpr size_t kEntriesNamed = 5;

} // namespace

std::wstring ListedNames(const std::vector<std::wstring>& names)
{
    std::wstring text;
    for (size_t n = 0; n < names.size() && n < kEntriesNamed; ++n)
        text += L"\r\n" + names[n];
    if (names.size() > kEntriesNamed) {
        const std::wstring more = std::to_wstring(names.size() - kEntriesNamed);
        text += L"\r\n" + lang::LangText(key::kAndMore, {more}, L"and " + more + L" more");
    }
    return text;
}

std::wstring WhatCameOutText(size_t wholeFiles, const std::vector<std::wstring>& notExtracted)
{
    if (wholeFiles == 0)
        return {};
    const std::wstring count = std::to_wstring(wholeFiles);
    std::wstring text = L"\r\n\r\n" + lang::LangText(key::kKeptWholeFiles, {count},
                                                     L"Files extracted whole and kept in the folder: " + count);
    if (!notExtracted.empty())
        text += L"\r\n" + lang::LangText(key::kNotExtractedList, {}, L"Not extracted:") + ListedNames(notExtracted);
    return text;
}

std::wstring RenamedEntriesText(const std::vector<std::pair<std::wstring, std::wstring>>& renamed)
{
    if (renamed.empty())
        return {};
    std::vector<std::wstring> lines;
    for (const auto& [path, place] : renamed)
        lines.push_back(path + L" \u2192 " + place);
    return lang::LangText(key::kPlacedUnderNewNames, {},
                          L"Windows cannot keep these names apart; they were placed under new names:") +
           ListedNames(lines);
}

} // namespace job
