// Date and time texts as bar files write them, to microsecond counts since
// 1899-12-30 00:00:00: ISO 8601 and its compact form, slash and dotted dates,
// 12-hour times, UTC offsets and epoch numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace kovra::host {

// How a date written "A/B/YYYY" (or "A-B-YYYY") is read.
enum class DateOrder : uint8_t { kMonthFirst, kDayFirst };

struct ParsedTime {
    int64_t microseconds = 0;  // the wall clock as written; UTC when `instant`
    bool instant = false;      // written with "Z" or a UTC offset, or an epoch number
    // An "A/B/YYYY" date's A and B as written (0 for other forms), so that a
    // reader can tell the order from the data.
    int32_t slashFirst = 0, slashSecond = 0;
    std::string error;  // empty when the text parsed; otherwise why not, e.g. "hour 24 is out of range"
};

// A date, optionally followed by "T" or spaces and a time as ParseTimeOfDay
// reads it; or an epoch number (9 or more digits, optionally with a fraction):
// seconds below 10^11, milliseconds below 10^14, microseconds below 10^17,
// nanoseconds above. Dates: YYYY-MM-DD, YYYYMMDD, YYYY/MM/DD, YYYY.MM.DD,
// A/B/YYYY or A-B-YYYY (read by `order`), DD.MM.YYYY; months and days may have one digit.
ParsedTime ParseDateTime(std::string_view text, DateOrder order = DateOrder::kMonthFirst);
// A date alone: midnight of that day.
ParsedTime ParseDate(std::string_view text, DateOrder order = DateOrder::kMonthFirst);
// H:MM, HH:MM:SS, HH:MM:SS.fff... (any number of digits; those beyond the
// microsecond are dropped), HHMM or HHMMSS; then optionally AM/PM, then optionally "Z" or an
// offset (+HH:MM, +HHMM, +HH): microseconds since midnight.
ParsedTime ParseTimeOfDay(std::string_view text);

// Appends "YYYY-MM-DD HH:MM:SS", with ".ffffff" when the count has a fraction of a second.
void AppendDateTime(fmt::memory_buffer& out, int64_t microsecondsSince18991230);
// The same as a string, e.g. "2024-03-15 09:30:00".
std::string FormatDateTime(int64_t microsecondsSince18991230);

}  // namespace kovra::host
