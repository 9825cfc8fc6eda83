#include "fs/ScratchNames.h"

#include <gtest/gtest.h>

// Where each entry is staged, and that the sweep knows every name the staging gives: a name it did
// not know would leave decrypted files behind.
TEST(StagedName, IsNumberedAndKnownToTheSweep)
{
    const struct {
        uint32_t index;
        std::wstring place;
        std::wstring staged;
    } cases[] = {
        {0, L"a.txt", L"0\\0.txt"},
        {255, L"docs\\b.JPG", L"0\\255.JPG"},
        {256, L"c", L"1\\256"},
        {1800, L"x\\report.tar.gz", L"7\\1800.gz"},
        {3, L"dot.in\\folder", L"0\\3"},            // a dot in a folder's name is no extension
        {4, L".profile", L"0\\4"},                  // nor a leading dot
        {5, L"long.abcdefghijklmnop", L"0\\5"},     // 17 with the dot: left off
        {6, L"fits.abcdefghijklmno", L"0\\6.abcdefghijklmno"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.place));
        const std::wstring staged = fs::StagedName(c.index, c.place);
        EXPECT_EQ(staged, c.staged);
        const size_t slash = staged.find(L'\\');
        EXPECT_TRUE(fs::IsStagedFolderName(staged.substr(0, slash)));
        EXPECT_TRUE(fs::IsStagedFileName(staged.substr(slash + 1)));
    }
    for (const wchar_t* name : {L"notes.txt", L"12a", L"1.tar.gz", L"", L".txt", L"1.abcdefghijklmnop"})
        EXPECT_FALSE(fs::IsStagedFileName(name)) << testing::PrintToString(std::wstring(name));
    EXPECT_FALSE(fs::IsStagedFolderName(L"sub"));
}
