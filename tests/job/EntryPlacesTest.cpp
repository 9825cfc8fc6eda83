#include "job/EntryPlaces.h"

#include <gtest/gtest.h>

using namespace job;

namespace {

struct Expected {
    const wchar_t* path;
    bool clash;
    bool renamed;
};

TEST(PlanEntryPlaces, KeepsEveryEntryApart)
{
    const struct {
        const char* name;
        std::vector<EntryName> entries;
        std::vector<Expected> places;
    } cases[] = {
        {"distinct names keep their places",
         {{L"a.txt", false}, {L"docs", true}, {L"docs\\b.txt", false}},
         {{L"a.txt", false, false}, {L"docs", false, false}, {L"docs\\b.txt", false, false}}},
        {"names that differ in case only are one name: the later is a clash",
         {{L"Case.txt", false}, {L"case.txt", false}, {L"CASE.TXT", false}},
         {{L"Case.txt", false, false}, {L"case.txt", true, false}, {L"CASE.TXT", true, false}}},
        {"one name twice",
         {{L"ok.txt", false}, {L"ok.txt", false}},
         {{L"ok.txt", false, false}, {L"ok.txt", true, false}}},
        {"a folder after a file of its name moves, and everything below it",
         {{L"dup", false}, {L"dup\\x.txt", false}, {L"DUP\\y.txt", false}},
         {{L"dup", false, false}, {L"dup(1)\\x.txt", false, true}, {L"dup(1)\\y.txt", false, true}}},
        {"a file after a folder of its name moves",
         {{L"dup\\x.txt", false}, {L"Dup", false}, {L"dup.txt", false}},
         {{L"dup\\x.txt", false, false}, {L"Dup(1)", false, true}, {L"dup.txt", false, false}}},
        {"a file named like a folder keeps its extension apart",
         {{L"a.b\\x", false}, {L"a.b", false}},
         {{L"a.b\\x", false, false}, {L"a(1).b", false, true}}},
        {"the new name is free among the package's names",
         {{L"dup", false}, {L"dup(1)", false}, {L"dup\\x.txt", false}},
         {{L"dup", false, false}, {L"dup(1)", false, false}, {L"dup(2)\\x.txt", false, true}}},
        {"deeper down",
         {{L"f\\g", false}, {L"F\\G\\h.txt", false}, {L"f\\g\\h.txt", false}},
         {{L"f\\g", false, false}, {L"F\\G(1)\\h.txt", false, true}, {L"F\\G(1)\\h.txt", true, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto places = PlanEntryPlaces(c.entries);
        ASSERT_EQ(places.size(), c.places.size());
        for (size_t i = 0; i < places.size(); ++i) {
            EXPECT_EQ(places[i].path, c.places[i].path) << i;
            EXPECT_EQ(places[i].clashesWithEarlier, c.places[i].clash) << i;
            EXPECT_EQ(places[i].renamed, c.places[i].renamed) << i;
        }
    }
}

} // namespace
