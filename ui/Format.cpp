#include "ui/Format.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

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

std::wstring UserDecimalSeparator()
{
    wchar_t separator[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 1)
        return separator;
    return L".";
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
    return FormatSize(bytes, UserDecimalSeparator());
}
