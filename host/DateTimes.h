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

struct CivilDateTime {
    CivilDate date;
    int32_t hour, minute, second, microsecond;
};

// The calendar date and time of day of a microsecond count; any count is valid
// (floor division, so times before 1899-12-30 still have a non-negative time of day).
CivilDateTime CivilFromMicroseconds(int64_t microsecondsSince18991230);

}  // namespace kovra::host
