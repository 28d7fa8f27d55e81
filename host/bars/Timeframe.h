// Timeframes: the length of the bars a chart shows, made from the file's
// (source) bars by putting them into buckets. The buckets follow the bars'
// own clock, the wall clock their date-times are written in, so every day
// counts 24 hours there and daylight saving needs nothing of its own.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kovra::host {

enum class TimeUnit : uint8_t { kSecond, kMinute, kHour, kDay, kWeek, kMonth };

struct Timeframe {
    TimeUnit unit = TimeUnit::kMinute;
    int32_t count = 1;  // 1 or more; seconds, minutes and hours make at most a day

    bool intraday() const { return unit <= TimeUnit::kHour; }
    bool operator==(const Timeframe&) const = default;
};

// The most days, weeks or months a bucket may span (about 27 years of days).
inline constexpr int32_t kMaxCalendarCount = 10'000;

// A usage error in a timeframe or day start, or bars a timeframe does not
// fit; the message is one line, without the program's name.
struct TimeframeError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// "30s", "5m", "4h", "1d", "1w", "1M" or "1mo": a whole number of seconds,
// minutes, hours (at most a day of them), days, weeks or calendar months.
// Throws TimeframeError.
Timeframe ParseTimeframe(std::string_view text);
// The way ParseTimeframe reads it back, e.g. "15m", "1M".
std::string FormatTimeframe(const Timeframe& timeframe);
// A bucket's nominal length in microseconds: months count their shortest, 28 days.
int64_t NominalLength(const Timeframe& timeframe);

// "HH:MM" (or "H:MM"), 00:00 to 23:59: microseconds after midnight. Throws TimeframeError.
int64_t ParseDayStart(std::string_view text);

// A bucket: the date-times from `start` (its bar's date-time) up to `end`, excluded.
struct BucketSpan {
    int64_t start = 0, end = 0;
    bool Holds(int64_t dateTime) const { return start <= dateTime && dateTime < end; }
};

// Where each date-time's bucket lies. A day starts at `dayStart` after
// midnight; from noon on it starts the evening before (a day that starts at
// 17:00 is named after the date it ends on), so weeks start on Sunday evening
// and a month's first day on its eve. Intraday buckets count from the start
// of their day, and the day's last one ends with the day; days, weeks (from
// Monday) and months are the calendar's, groups of several counted from
// 1899-12-30 (days), the Monday 1900-01-01 (weeks) and January (months).
class TimeframeBuckets {
public:
    TimeframeBuckets(Timeframe timeframe, int64_t dayStart);

    // The bucket of a bar dated `dateTime`. A bar of a day or longer
    // (`wholeDays`) stands for the day whose start lies nearest its
    // date-time, so daily bars dated at midnight keep their date whatever the
    // day start; shorter bars belong to the day they fall in.
    BucketSpan SpanOf(int64_t dateTime, bool wholeDays) const;

    const Timeframe& timeframe() const { return timeframe_; }
    int64_t dayStart() const { return dayStart_; }

private:
    int64_t DayStartOf(int64_t day) const;  // the first date-time of the day `day` days after 1899-12-30

    Timeframe timeframe_;
    int64_t dayStart_;
    int64_t dayShift_;  // the start of day 0 from 1899-12-30 00:00: dayStart, a day less from noon on
};

}  // namespace kovra::host
