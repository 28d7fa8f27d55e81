// Calendar dates and times of day as the record counts them: 64-bit signed
// microseconds since 1899-12-30 00:00:00, proleptic Gregorian calendar.
#pragma once

#include <cstdint>

namespace kovra::host {

inline constexpr int64_t kMicrosecondsPerSecond = 1'000'000;
inline constexpr int64_t kMicrosecondsPerDay = 86'400 * kMicrosecondsPerSecond;

struct CivilDate {
    int64_t year;
    int32_t month;  // 1 .. 12
    int32_t day;    // 1 .. DaysInMonth(year, month)
};

struct CivilDateTime {
    CivilDate date;
    int32_t hour, minute, second, microsecond;
};

bool IsLeapYear(int64_t year);
// Days in `month` (1 .. 12) of `year`.
int32_t DaysInMonth(int64_t year, int32_t month);

// Days from 1899-12-30 to `date` (negative before it). Precondition: the date
// is valid and |year| < 10^12, so the count cannot overflow.
int64_t DaysSince18991230(CivilDate date);

// The calendar date and time of day of a microsecond count; any count is valid
// (floor division, so times before 1899-12-30 still have a non-negative time of day).
CivilDateTime CivilFromMicroseconds(int64_t microsecondsSince18991230);

}  // namespace kovra::host
