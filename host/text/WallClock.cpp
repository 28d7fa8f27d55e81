#include "host/text/WallClock.h"

#include <algorithm>
#include <chrono>

#include <date/tz.h>

#include "host/text/DateTimes.h"

namespace kovra::host {
namespace {

using Microseconds = std::chrono::microseconds;

// Saturates: the database opens and closes its spans at the ends of its calendar.
int64_t RecordCount(date::sys_seconds instant) {
    constexpr int64_t kLimitSeconds = 9'000'000'000'000;  // about 285,000 years
    const int64_t seconds = std::clamp<int64_t>(instant.time_since_epoch().count(), -kLimitSeconds, kLimitSeconds);
    return seconds * kMicrosecondsPerSecond + kUnixEpochMicroseconds;
}

}  // namespace

WallClock::WallClock(const std::string& zoneName) {
    if (zoneName.empty()) return;
    try {
        zone_ = date::locate_zone(zoneName);
    } catch (const std::exception&) {
        throw UnknownTimeZone("unknown time zone '" + zoneName +
                              "'; expected an IANA name such as America/New_York, Europe/London or UTC "
                              "(from the system's time-zone database, Debian package tzdata)");
    }
}

int64_t WallClock::FromInstant(int64_t utcMicroseconds) {
    if (zone_ == nullptr) return utcMicroseconds;
    if (utcMicroseconds < spanBegin_ || utcMicroseconds >= spanEnd_) {
        const date::sys_time<Microseconds> instant{Microseconds(utcMicroseconds - kUnixEpochMicroseconds)};
        const date::sys_info info = zone_->get_info(instant);
        spanBegin_ = RecordCount(info.begin);
        spanEnd_ = RecordCount(info.end);
        offset_ = std::chrono::duration_cast<Microseconds>(info.offset).count();
    }
    return utcMicroseconds + offset_;
}

}  // namespace kovra::host
