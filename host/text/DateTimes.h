// Calendar dates and times of day as the record counts them: 64-bit signed
// microseconds since 1899-12-30 00:00:00, proleptic Gregorian calendar. The
// calendar itself is the record's (record/CivilCalendar.h).
#pragma once

#include <cstdint>

#include "record/CivilCalendar.h"

namespace kovra::host {

using record::CivilDate;
using record::DaysInMonth;
using record::DaysSince18991230;
using record::IsLeapYear;
using record::kMicrosecondsPerDay;
using record::kMicrosecondsPerSecond;

// 1970-01-01 00:00:00 UTC, where epoch numbers and the system clock count from.
inline constexpr int64_t kUnixEpochMicroseconds = DaysSince18991230({1970, 1, 1}) * kMicrosecondsPerDay;

struct CivilDateTime {
    CivilDate date;
    int32_t hour, minute, second, microsecond;
};

// The calendar date and time of day of a microsecond count; any count is valid
// (floor division, so times before 1899-12-30 still have a non-negative time of day).
CivilDateTime CivilFromMicroseconds(int64_t microsecondsSince18991230);

}  // namespace kovra::host
