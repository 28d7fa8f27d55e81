// The date and time shown under a time eighth, for every 64-bit date-time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <random>

#include "drawing/DateText.h"

using namespace kovra::drawing;

namespace {

constexpr int64_t kSecond = 1'000'000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kHour = 60 * kMinute;
constexpr int64_t kDay = 24 * kHour;

struct DateTextRow {
    const char* what;
    int64_t dateTime;
    DateTextParts expected;  // month, day, hour, minute
};

// Day numbers counted from 1899-12-30 with Python's proleptic calendar; the two
// extremes reduced by whole 400-year cycles (146097 days) before the look-up.
const DateTextRow kRows[] = {
    {"the origin", 0, {12, 30, 0, 0}},
    {"1 January 2024 14:00:00", 45292 * kDay + 14 * kHour, {1, 1, 14, 0}},
    {"29 February 2024 09:30", 45351 * kDay + 9 * kHour + 30 * kMinute, {2, 29, 9, 30}},
    {"1900 is no leap year: day 60 is 28 February", 60 * kDay, {2, 28, 0, 0}},
    {"1900 is no leap year: day 61 is 1 March", 61 * kDay, {3, 1, 0, 0}},
    {"2000 is a leap year", 36585 * kDay, {2, 29, 0, 0}},
    {"half a second rounds up", 45292 * kDay + 9 * kHour + 29 * kMinute + 59 * kSecond + 500'000, {1, 1, 9, 30}},
    {"just under half a second rounds down",
     45292 * kDay + 9 * kHour + 29 * kMinute + 59 * kSecond + 499'999,
     {1, 1, 9, 29}},
    {"the last half second before midnight keeps its date", 45293 * kDay - 500'000, {1, 1, 0, 0}},
    {"the last microsecond before midnight keeps its date", 45293 * kDay - 1, {1, 1, 0, 0}},
    {"just before the last half second", 45293 * kDay - 500'001, {1, 1, 23, 59}},
    // Before the origin the day is the floor of the count, and the time of day
    // the floor modulo: the plain truncating rule would read 12/30 and 0:-30.
    {"29 December 1899 23:30", -1'800'000'000, {12, 29, 23, 30}},
    {"one microsecond before the origin", -1, {12, 29, 0, 0}},
    {"one day before the origin", -kDay, {12, 29, 0, 0}},
    {"1 January 1800 06:15", -36522 * kDay + 6 * kHour + 15 * kMinute, {1, 1, 6, 15}},
    {"the largest count", std::numeric_limits<int64_t>::max(), {1, 7, 4, 0}},
    {"the smallest count", std::numeric_limits<int64_t>::min(), {12, 20, 19, 59}},
};

TEST(SplitDateTime, GivesTheDateAndRoundedTimeOfEachRow) {
    for (const DateTextRow& row : kRows) {
        const DateTextParts actual = SplitDateTime(row.dateTime);
        EXPECT_EQ(actual.month, row.expected.month) << row.what;
        EXPECT_EQ(actual.day, row.expected.day) << row.what;
        EXPECT_EQ(actual.hour, row.expected.hour) << row.what;
        EXPECT_EQ(actual.minute, row.expected.minute) << row.what;
    }
}

// The calendar of the standard library as the independent slow form.
TEST(SplitDateTime, AgreesWithTheStandardCalendarOnRandomDateTimes) {
    using namespace std::chrono;
    const sys_days origin = sys_days{year{1899} / December / 30};
    constexpr int64_t kTenThousandYears = 3'652'425 * kDay;
    std::mt19937_64 random(20240229);
    std::uniform_int_distribution<int64_t> anyDateTime(-kTenThousandYears, kTenThousandYears);
    for (int n = 0; n < 20000; ++n) {
        const int64_t dateTime = anyDateTime(random);
        const sys_time<microseconds> at = origin + microseconds{dateTime};
        const sys_days date = floor<days>(at);
        const year_month_day calendar{date};
        const microseconds rounded = (at - date + microseconds{500'000}) % days{1};
        const hh_mm_ss<seconds> clock{floor<seconds>(rounded)};

        const DateTextParts actual = SplitDateTime(dateTime);
        ASSERT_EQ(actual.month, static_cast<int32_t>(static_cast<unsigned>(calendar.month()))) << dateTime;
        ASSERT_EQ(actual.day, static_cast<int32_t>(static_cast<unsigned>(calendar.day()))) << dateTime;
        ASSERT_EQ(actual.hour, clock.hours().count()) << dateTime;
        ASSERT_EQ(actual.minute, clock.minutes().count()) << dateTime;
    }
}

}  // namespace
