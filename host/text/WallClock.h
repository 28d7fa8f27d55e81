// The wall clock of a time zone: turns instants (UTC) into the local date and
// time a trader in that zone reads, daylight saving included, from the
// system's time-zone database.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace date {
class time_zone;
}

namespace kovra::host {

struct UnknownTimeZone : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

class WallClock {
public:
    // UTC for an empty name; otherwise an IANA name such as "America/New_York".
    // Throws UnknownTimeZone with a one-line message when the database lacks it.
    explicit WallClock(const std::string& zoneName = "");

    // The wall clock at an instant; both in microseconds since 1899-12-30 00:00:00.
    int64_t FromInstant(int64_t utcMicroseconds);

private:
    const date::time_zone* zone_ = nullptr;  // null: UTC
    // The span of UTC the last offset looked up holds for, and that offset.
    int64_t spanBegin_ = 0, spanEnd_ = 0, offset_ = 0;
};

}  // namespace kovra::host
