// ISO 8601 date and time texts as bar files write them, to microsecond counts
// since 1899-12-30 00:00:00.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace kovra::host {

struct ParsedTime {
    int64_t microseconds = 0;
    std::string error;  // empty when the text parsed; otherwise why not, e.g. "hour 24 is out of range"
};

// "YYYY-MM-DD", then optionally " " or "T" and a time of day as ParseTimeOfDay reads it.
ParsedTime ParseDateTime(std::string_view text);
// "YYYY-MM-DD": midnight of that day.
ParsedTime ParseDate(std::string_view text);
// "HH:MM", "HH:MM:SS" or "HH:MM:SS.f" with 1 to 6 fractional digits: microseconds since midnight.
ParsedTime ParseTimeOfDay(std::string_view text);

// Appends "YYYY-MM-DD HH:MM:SS", with ".ffffff" when the count has a fraction of a second.
void AppendDateTime(fmt::memory_buffer& out, int64_t microsecondsSince18991230);

}  // namespace kovra::host
