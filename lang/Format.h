// Texts for sizes and durations in the user's conventions (the decimal separator), for the progress
// display and the job's messages.
#pragma once

#include <cstdint>
#include <string>

namespace lang {

// "hh:mm:ss"; hours take as many digits as they need; 0 or less gives "00:00:00".
std::wstring FormatElapsed(int32_t seconds);

// The byte count in the largest of B, KB, MB, GB in which it rounds to at least 1, with at most
// two decimals ("1.5 KB", "4.77 MB", "1000 B"), written with the given decimal separator.
std::wstring FormatSize(int64_t bytes, const std::wstring& decimalSeparator);

// The same with the user's decimal separator.
std::wstring FormatSize(int64_t bytes);

// A local date and time as the overwrite question shows it.
struct LocalDateTime {
    int year, month, day, hour, minute, second;
};

// The date-time zero, shown for a file that cannot be found.
inline constexpr LocalDateTime kDateTimeZero{1899, 12, 30, 0, 0, 0};

// A packed date and time (two-second steps, years 1980 to 2107) as a date-time.
LocalDateTime FromDosDateTime(unsigned short date, unsigned short time);

// "yyyy-mm-dd HH:MM:SS", the colons being the given time separator.
std::wstring FormatDateTime(const LocalDateTime& when, const std::wstring& timeSeparator);

// The same with the user's time separator.
std::wstring FormatDateTime(const LocalDateTime& when);

} // namespace lang
