#include "lang/Format.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

namespace lang {

namespace {

std::wstring TwoDigits(int32_t n)
{
    return (n < 10 ? L"0" : L"") + std::to_wstring(n);
}

// value rounded to two decimals (halves to the even neighbour), in the shortest form of up to
// 15 significant digits.
std::wstring TwoDecimals(double value, const std::wstring& separator)
{
    double rounded = std::nearbyint(value * 100.0) / 100.0; // the default mode rounds halves to even
    if (rounded == 0.0)
        rounded = 0.0; // no "-0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", rounded);
    std::wstring text;
    for (const char* p = buffer; *p; ++p) {
        if (*p == '.')
            text += separator;
        else
            text += static_cast<wchar_t>(*p);
    }
    return text;
}

// One of the user's number or time settings, or fallback when the system has none.
std::wstring UserSetting(LCTYPE setting, const wchar_t* fallback)
{
    wchar_t text[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, setting, text, 8) > 1)
        return text;
    return fallback;
}

} // namespace

std::wstring FormatElapsed(int32_t seconds)
{
    if (seconds <= 0)
        return L"00:00:00";
    return TwoDigits(seconds / 3600) + L":" + TwoDigits(seconds % 3600 / 60) + L":" +
           TwoDigits(seconds % 60);
}

std::wstring FormatSize(int64_t bytes, const std::wstring& decimalSeparator)
{
    static const struct {
        double divisor;
        const wchar_t* unit;
    } units[] = {
        {1024.0 * 1024.0 * 1024.0, L" GB"},
        {1024.0 * 1024.0, L" MB"},
        {1024.0, L" KB"},
    };
    for (const auto& u : units) {
        std::wstring text = TwoDecimals(static_cast<double>(bytes) / u.divisor, decimalSeparator);
        if (text[0] != L'0')
            return text + u.unit;
    }
    return std::to_wstring(bytes) + L" B";
}

std::wstring FormatSize(int64_t bytes)
{
    return FormatSize(bytes, UserSetting(LOCALE_SDECIMAL, L"."));
}

LocalDateTime FromDosDateTime(unsigned short date, unsigned short time)
{
    return LocalDateTime{1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F,
                         time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2};
}

std::wstring FormatDateTime(const LocalDateTime& when, const std::wstring& timeSeparator)
{
    return std::to_wstring(when.year) + L"-" + TwoDigits(when.month) + L"-" + TwoDigits(when.day) + L" " +
           TwoDigits(when.hour) + timeSeparator + TwoDigits(when.minute) + timeSeparator + TwoDigits(when.second);
}

std::wstring FormatDateTime(const LocalDateTime& when)
{
    return FormatDateTime(when, UserSetting(LOCALE_STIME, L":"));
}

} // namespace lang
