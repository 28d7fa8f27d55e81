#include "host/bars/Timeframe.h"

#include <algorithm>
#include <charconv>

#include <fmt/format.h>

#include "host/text/DateTimes.h"
#include "host/text/ShownText.h"

namespace kovra::host {
namespace {

using record::FloorDivide;

constexpr int64_t kMicrosecondsPerMinute = 60 * kMicrosecondsPerSecond;
constexpr int64_t kMicrosecondsPerHour = 60 * kMicrosecondsPerMinute;
constexpr int64_t kDaysPerWeek = 7;
constexpr int64_t kShortestMonthDays = 28;
constexpr int64_t kMonthsPerYear = 12;
constexpr int64_t kFirstMonday = 2;  // 1900-01-01, in days after 1899-12-30
constexpr size_t kShownText = 20;

struct UnitName {
    std::string_view suffix;
    TimeUnit unit;
};
// The first suffix of a unit is the one written back.
constexpr UnitName kUnitNames[] = {{"s", TimeUnit::kSecond}, {"m", TimeUnit::kMinute}, {"h", TimeUnit::kHour},
                                   {"d", TimeUnit::kDay},    {"w", TimeUnit::kWeek},   {"M", TimeUnit::kMonth},
                                   {"mo", TimeUnit::kMonth}};

int64_t UnitLength(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::kSecond:
            return kMicrosecondsPerSecond;
        case TimeUnit::kMinute:
            return kMicrosecondsPerMinute;
        case TimeUnit::kHour:
            return kMicrosecondsPerHour;
        case TimeUnit::kDay:
            return kMicrosecondsPerDay;
        case TimeUnit::kWeek:
            return kDaysPerWeek * kMicrosecondsPerDay;
        case TimeUnit::kMonth:
            return kShortestMonthDays * kMicrosecondsPerDay;
    }
    return 0;
}

[[noreturn]] void RefuseTimeframe(std::string_view text, std::string_view why) {
    throw TimeframeError(fmt::format("'{}' is not a timeframe: {}", ShownText(text, kShownText), why));
}

}  // namespace

Timeframe ParseTimeframe(std::string_view text) {
    int64_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    const std::string_view suffix = text.substr(static_cast<size_t>(end - text.data()));
    if (error == std::errc::result_out_of_range) RefuseTimeframe(text, "the number is too large");
    if (error != std::errc{} || end == text.data())
        RefuseTimeframe(text, "expected a whole number and a unit, such as 30s, 5m, 4h, 1d, 1w or 1M");
    const UnitName* name = nullptr;
    for (const UnitName& candidate : kUnitNames)
        if (suffix == candidate.suffix) name = &candidate;
    if (name == nullptr) RefuseTimeframe(text, "the unit must be s, m, h, d, w, or M (or mo) for calendar months");
    if (count < 1) RefuseTimeframe(text, "the number must be 1 or more");
    const Timeframe timeframe{name->unit, 0};
    const int64_t most = timeframe.intraday() ? kMicrosecondsPerDay / UnitLength(name->unit) : kMaxCalendarCount;
    if (count > most)
        RefuseTimeframe(text, timeframe.intraday() ? fmt::format("at most a day, {}{}", most, name->suffix)
                                                   : fmt::format("at most {}{}", most, name->suffix));
    return Timeframe{name->unit, static_cast<int32_t>(count)};
}

std::string FormatTimeframe(const Timeframe& timeframe) {
    for (const UnitName& name : kUnitNames)
        if (name.unit == timeframe.unit) return fmt::format("{}{}", timeframe.count, name.suffix);
    return {};
}

int64_t NominalLength(const Timeframe& timeframe) { return timeframe.count * UnitLength(timeframe.unit); }

int64_t ParseDayStart(std::string_view text) {
    const auto refuse = [text] {
        throw TimeframeError(
            fmt::format("'{}' is not a day start: expected HH:MM from 00:00 to 23:59", ShownText(text, kShownText)));
    };
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 2 || text.size() != colon + 3) refuse();
    int32_t hour = 0, minute = 0;
    const auto digits = [&refuse](std::string_view part, int32_t& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (error != std::errc{} || end != part.data() + part.size() || part.front() == '-' || part.front() == '+')
            refuse();
    };
    digits(text.substr(0, colon), hour);
    digits(text.substr(colon + 1), minute);
    if (hour > 23 || minute > 59) refuse();
    return hour * kMicrosecondsPerHour + minute * kMicrosecondsPerMinute;
}

TimeframeBuckets::TimeframeBuckets(Timeframe timeframe, int64_t dayStart)
    : timeframe_(timeframe),
      dayStart_(dayStart),
      dayShift_(dayStart >= kMicrosecondsPerDay / 2 ? dayStart - kMicrosecondsPerDay : dayStart) {}

int64_t TimeframeBuckets::DayStartOf(int64_t day) const { return day * kMicrosecondsPerDay + dayShift_; }

BucketSpan TimeframeBuckets::SpanOf(int64_t dateTime, bool wholeDays) const {
    // Intraday buckets take only bars shorter than a day, whatever `wholeDays` says.
    const bool nearest = wholeDays && !timeframe_.intraday();
    const int64_t sinceDayZero = dateTime - dayShift_ + (nearest ? kMicrosecondsPerDay / 2 : 0);
    const int64_t day = FloorDivide(sinceDayZero, kMicrosecondsPerDay);
    const int64_t count = timeframe_.count;
    switch (timeframe_.unit) {
        case TimeUnit::kSecond:
        case TimeUnit::kMinute:
        case TimeUnit::kHour: {
            const int64_t dayBegins = DayStartOf(day), length = NominalLength(timeframe_);
            const int64_t start = dayBegins + (dateTime - dayBegins) / length * length;
            return {start, std::min(start + length, dayBegins + kMicrosecondsPerDay)};
        }
        case TimeUnit::kDay: {
            const int64_t first = FloorDivide(day, count) * count;
            return {DayStartOf(first), DayStartOf(first + count)};
        }
        case TimeUnit::kWeek: {
            const int64_t weeks = count * kDaysPerWeek;
            const int64_t first = FloorDivide(day - kFirstMonday, weeks) * weeks + kFirstMonday;
            return {DayStartOf(first), DayStartOf(first + weeks)};
        }
        case TimeUnit::kMonth: {
            const CivilDate date = record::CivilFromDays(day);
            const int64_t month = FloorDivide(date.year * kMonthsPerYear + date.month - 1, count) * count;
            const auto dayOfMonth = [](int64_t monthIndex) {
                const int64_t year = FloorDivide(monthIndex, kMonthsPerYear);
                return DaysSince18991230({year, static_cast<int32_t>(monthIndex - year * kMonthsPerYear + 1), 1});
            };
            return {DayStartOf(dayOfMonth(month)), DayStartOf(dayOfMonth(month + count))};
        }
    }
    return {};
}

}  // namespace kovra::host
