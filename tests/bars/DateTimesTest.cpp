#include <gtest/gtest.h>

#include "host/outputs/SeriesCsv.h"
#include "host/text/DateTimeText.h"
#include "host/text/DateTimes.h"

namespace kovra::host {
namespace {

constexpr int64_t kSecond = kMicrosecondsPerSecond, kDay = kMicrosecondsPerDay;

// Day counts from Python's proleptic Gregorian date arithmetic
// ((date(y, m, d) - date(1899, 12, 30)).days); the record's count is that times a day.
TEST(DateTimes, DayCountsMatchGoldenValues) {
    struct Row {
        CivilDate date;
        int64_t days;
    };
    const Row rows[] = {
        {{1899, 12, 30}, 0},    {{1899, 12, 31}, 1},       {{1899, 12, 29}, -1},
        {{1900, 2, 28}, 60},    {{1900, 3, 1}, 61},  // 1900 is not a leap year
        {{2000, 2, 29}, 36585}, {{2024, 3, 15}, 45366},    {{1800, 1, 1}, -36522},
        {{1, 1, 1}, -693593},   {{9999, 12, 31}, 2958465},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.date.year << "-" << row.date.month << "-" << row.date.day);
        EXPECT_EQ(DaysSince18991230(row.date), row.days);
        const CivilDateTime back = CivilFromMicroseconds(row.days * kDay);
        EXPECT_EQ(back.date.year, row.date.year);
        EXPECT_EQ(back.date.month, row.date.month);
        EXPECT_EQ(back.date.day, row.date.day);
    }
}

// Every day of 1600 .. 2400 (four 400-year eras on both sides of the origin
// era boundary) maps to the next count and back.
TEST(DateTimes, ConsecutiveDaysRoundTrip) {
    int64_t expected = DaysSince18991230({1600, 1, 1});
    for (int64_t year = 1600; year <= 2400; ++year)
        for (int32_t month = 1; month <= 12; ++month)
            for (int32_t day = 1; day <= DaysInMonth(year, month); ++day) {
                const CivilDate date{year, month, day};
                ASSERT_EQ(DaysSince18991230(date), expected) << year << "-" << month << "-" << day;
                const CivilDate back = CivilFromMicroseconds(expected * kDay).date;
                ASSERT_TRUE(back.year == year && back.month == month && back.day == day) << year << "-" << month;
                ++expected;
            }
}

TEST(DateTimes, TextsConvertToGoldenCounts) {
    struct Row {
        const char* text;
        int64_t microseconds;
    };
    const Row rows[] = {
        {"1899-12-30 00:00:00", 0},
        {"2024-03-15 09:30:00", 45366 * kDay + 34200 * kSecond},
        {"2024-03-15T09:30:00", 45366 * kDay + 34200 * kSecond},
        {"2024-03-15 09:30", 45366 * kDay + 34200 * kSecond},
        {"2024-03-15", 45366 * kDay},
        {"2024-03-15 23:59:59.5", 45366 * kDay + 86399 * kSecond + 500000},
        {"2024-03-15 09:30:00.000001", 45366 * kDay + 34200 * kSecond + 1},
        {"1899-12-29 23:59:59.999999", -1},
        {"1800-01-01 12:00", -36522 * kDay + 43200 * kSecond},
    };
    for (const Row& row : rows) {
        const ParsedTime parsed = ParseDateTime(row.text);
        EXPECT_EQ(parsed.error, "") << row.text;
        EXPECT_EQ(parsed.microseconds, row.microseconds) << row.text;
    }
}

TEST(DateTimes, FormatsWithSecondsAndAFractionOnlyWhenThereIsOne) {
    EXPECT_EQ(FormatDateTime(0), "1899-12-30 00:00:00");
    EXPECT_EQ(FormatDateTime(45366 * kDay + 34200 * kSecond), "2024-03-15 09:30:00");
    EXPECT_EQ(FormatDateTime(-1), "1899-12-29 23:59:59.999999");
    EXPECT_EQ(FormatDateTime(36585 * kDay + 500000), "2000-02-29 00:00:00.500000");
    EXPECT_EQ(FormatDateTime(-36522 * kDay + 43200 * kSecond), "1800-01-01 12:00:00");
}

}  // namespace
}  // namespace kovra::host
