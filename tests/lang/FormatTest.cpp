#include "lang/Format.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace lang;

namespace {

TEST(FormatSize, PicksTheLargestUnitThatRoundsToAtLeastOne)
{
    const struct {
        int64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 B"},
        {1000, L"1000 B"},
        {1018, L"1018 B"},        // 0.994 KB rounds to 0.99
        {1023, L"1 KB"},          // 0.999 KB rounds to 1
        {1536, L"1.5 KB"},
        {1152, L"1.12 KB"},       // 1.125: the half goes to the even neighbour
        {1408, L"1.38 KB"},       // 1.375: likewise, upwards
        {1048576, L"1 MB"},
        {5000000, L"4.77 MB"},
        {1073741823, L"1 GB"},
        {1610612736, L"1.5 GB"},
        {5368709120LL, L"5 GB"},
        {1099511627776LL, L"1024 GB"},
        {-2048, L"-2 KB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.bytes, L"."), c.text) << c.bytes << " bytes";
}

TEST(FormatSize, WritesTheGivenDecimalSeparator)
{
    EXPECT_EQ(FormatSize(1536, L","), L"1,5 KB");
    EXPECT_EQ(FormatSize(5000000, L","), L"4,77 MB");
}

TEST(FormatSize, UsesTheUsersDecimalSeparator)
{
    wchar_t saved[8] = {};
    ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, 8), 0);
    ASSERT_TRUE(::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    const std::wstring withComma = FormatSize(1536);
    ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
    EXPECT_EQ(withComma, L"1,5 KB");
    EXPECT_EQ(FormatSize(1536), std::wstring(L"1") + saved + L"5 KB");
}

TEST(FormatElapsed, WritesHoursMinutesAndSeconds)
{
    const struct {
        int32_t seconds;
        const wchar_t* text;
    } cases[] = {
        {0, L"00:00:00"},
        {-1, L"00:00:00"},
        {-86400, L"00:00:00"},
        {59, L"00:00:59"},
        {61, L"00:01:01"},
        {3600, L"01:00:00"},
        {86399, L"23:59:59"},
        {359999, L"99:59:59"},
        {360000, L"100:00:00"},
        {2147483647, L"596523:14:07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatElapsed(c.seconds), c.text) << c.seconds << " seconds";
}

} // namespace

namespace {

TEST(FormatDateTime, WritesTheOverwriteQuestionsTimes)
{
    EXPECT_EQ(FormatDateTime(kDateTimeZero, L":"), L"1899-12-30 00:00:00");
    EXPECT_EQ(FormatDateTime(LocalDateTime{2024, 5, 17, 9, 30, 12}, L":"), L"2024-05-17 09:30:12");
    EXPECT_EQ(FormatDateTime(LocalDateTime{2024, 5, 17, 9, 30, 12}, L"."), L"2024-05-17 09.30.12");
    // Packed dates count seconds in steps of two and years from 1980.
    const unsigned short date = ((2024 - 1980) << 9) | (5 << 5) | 17;
    const unsigned short time = (23 << 11) | (59 << 5) | (59 / 2);
    EXPECT_EQ(FormatDateTime(FromDosDateTime(date, time), L":"), L"2024-05-17 23:59:58");
}

} // namespace
