#include "job/ReportTexts.h"

#include "support/Languages.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

using namespace job;
using namespace testing_support;

std::vector<std::wstring> Names(size_t count)
{
    std::vector<std::wstring> names;
    for (size_t n = 1; n <= count; ++n)
        names.push_back(L"f" + std::to_wstring(n) + L".txt");
    return names;
}

TEST(ReportTexts, NameFiveEntriesAndCountTheRest)
{
    ScratchFolder scratch;
    const UseLanguage english(scratch, L"Lang_English");
    const std::wstring five = L"\r\nf1.txt\r\nf2.txt\r\nf3.txt\r\nf4.txt\r\nf5.txt";
    const struct {
        const char* name;
        std::wstring text, expected;
    } cases[] = {
        {"no names", ListedNames({}), L""},
        {"one", ListedNames(Names(1)), L"\r\nf1.txt"},
        {"five: all named", ListedNames(Names(5)), five},
        {"six: five and one more", ListedNames(Names(6)), five + L"\r\nand 1 more"},
        {"twelve", ListedNames(Names(12)), five + L"\r\nand 7 more"},
        {"nothing whole: nothing to add to the error", WhatCameOutText(0, Names(3)), L""},
        {"all whole", WhatCameOutText(4, {}), L"\r\n\r\nFiles extracted whole and kept in the folder: 4"},
        {"some missing", WhatCameOutText(2, Names(1)),
         L"\r\n\r\nFiles extracted whole and kept in the folder: 2\r\nNot extracted:\r\nf1.txt"},
        {"many missing", WhatCameOutText(1, Names(7)),
         L"\r\n\r\nFiles extracted whole and kept in the folder: 1\r\nNot extracted:" + five + L"\r\nand 2 more"},
        {"nothing renamed", RenamedEntriesText({}), L""},
        {"renamed", RenamedEntriesText({{L"dup\\x.txt", L"dup(1)\\x.txt"}, {L"a.b", L"a(1).b"}}),
         L"Windows cannot keep these names apart; they were placed under new names:\r\n"
         L"dup\\x.txt \u2192 dup(1)\\x.txt\r\na.b \u2192 a(1).b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.expected) << c.name;
}

TEST(ReportTexts, SpeakThePersonsLanguage)
{
    ScratchFolder scratch;
    const UseLanguage german(scratch, L"Lang_Deutsch");
    EXPECT_EQ(WhatCameOutText(1, Names(6)), L"\r\n\r\nVollständig entpackte Dateien, die im Ordner bleiben: 1\r\n"
                                            L"Nicht entpackt:\r\nf1.txt\r\nf2.txt\r\nf3.txt\r\nf4.txt\r\nf5.txt\r\n"
                                            L"und 1 weitere");
    EXPECT_EQ(RenamedEntriesText({{L"a", L"a(1)"}}),
              L"Windows kann diese Namen nicht unterscheiden; sie wurden unter neuen Namen abgelegt:\r\na \u2192 a(1)");
}

} // namespace
