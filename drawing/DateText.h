// The calendar date and time of day shown under a time eighth.
#pragma once

#include <cstdint>

namespace kovra::drawing {

struct DateTextParts {
    int32_t month;   // 1..12
    int32_t day;     // 1..31
    int32_t hour;    // 0..23
    int32_t minute;  // 0..59
};

// `dateTime`: any count of microseconds since 1899-12-30 00:00:00, Gregorian
// calendar (negative counts lie before it). The date is that of the unrounded
// value; the time of day is rounded to the nearest second, a half second going
// up, so the last half second before midnight keeps its own date and reads 0:00.
// Day and time use floor division for every count, so a count before the origin
// reads as the day and time it falls on. Defined for every int64 value.
DateTextParts SplitDateTime(int64_t dateTime);

}  // namespace kovra::drawing
