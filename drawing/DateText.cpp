#include "drawing/DateText.h"

#include "record/CivilCalendar.h"

namespace kovra::drawing {

namespace {

using record::kMicrosecondsPerDay;
using record::kMicrosecondsPerSecond;

constexpr int64_t kHalfSecond = kMicrosecondsPerSecond / 2;

int64_t FloorModulo(int64_t value, int64_t divisor) {
    const int64_t remainder = value % divisor;
    return remainder < 0 ? remainder + divisor : remainder;
}

}  // namespace

DateTextParts SplitDateTime(int64_t dateTime) {
    const record::CivilDate date = record::CivilFromDays(record::FloorDivide(dateTime, kMicrosecondsPerDay));
    // (dateTime + half a second) modulo a day, without forming the sum.
    const int64_t timeOfDay =
        FloorModulo(FloorModulo(dateTime, kMicrosecondsPerDay) + kHalfSecond, kMicrosecondsPerDay);
    const int64_t seconds = timeOfDay / kMicrosecondsPerSecond;

    DateTextParts parts{};
    parts.day = date.day;
    parts.month = date.month;
    parts.hour = static_cast<int32_t>(seconds / 3600);
    parts.minute = static_cast<int32_t>((seconds / 60) % 60);
    return parts;
}

}  // namespace kovra::drawing
