// The calendar of the record's date-times (BarDateTimes: 64-bit microseconds
// since 1899-12-30 00:00:00, proleptic Gregorian calendar), written once for
// the study and the host. Day counting after the well-known era-based
// civil-date algorithm: years shifted to start in March so the leap day falls
// at the end, 400-year eras.
#pragma once

#include <cstdint>

namespace kovra::record {

inline constexpr int64_t kMicrosecondsPerSecond = 1'000'000;
inline constexpr int64_t kMicrosecondsPerDay = 86'400 * kMicrosecondsPerSecond;

struct CivilDate {
    int64_t year;
    int32_t month;  // 1 .. 12
    int32_t day;    // 1 .. DaysInMonth(year, month)
};

// Division rounding toward negative infinity, for counts before the origin.
constexpr int64_t FloorDivide(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor < 0) ? quotient - 1 : quotient;
}

constexpr bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days in `month` (1 .. 12) of `year`.
constexpr int32_t DaysInMonth(int64_t year, int32_t month) {
    constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

namespace calendar_detail {
inline constexpr int64_t kDaysPerEra = 146'097;
// Days from 0000-03-01 to 1899-12-30 in the shifted calendar.
inline constexpr int64_t kEpochShift = 693'899;
}  // namespace calendar_detail

// Days from 1899-12-30 to `date` (negative before it). Precondition: the date
// is valid and |year| < 10^12, so the count cannot overflow.
constexpr int64_t DaysSince18991230(CivilDate date) {
    using namespace calendar_detail;
    const int64_t year = date.month <= 2 ? date.year - 1 : date.year;
    const int64_t era = FloorDivide(year, 400);
    const int64_t yearOfEra = year - era * 400;
    const int64_t shiftedMonth = date.month > 2 ? date.month - 3 : date.month + 9;
    const int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + date.day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPerEra + dayOfEra - kEpochShift;
}

// The date `days` after 1899-12-30 (before it when negative). Any count whose
// date's year fits 64 bits is valid, every day count of a 64-bit date-time among them.
constexpr CivilDate CivilFromDays(int64_t days) {
    using namespace calendar_detail;
    const int64_t shifted = days + kEpochShift;
    const int64_t era = FloorDivide(shifted, kDaysPerEra);
    const int64_t dayOfEra = shifted - era * kDaysPerEra;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int32_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<int32_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return CivilDate{yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace kovra::record
