#include "host/text/DateTimes.h"

namespace kovra::host {

CivilDateTime CivilFromMicroseconds(int64_t microseconds) {
    const int64_t days = record::FloorDivide(microseconds, kMicrosecondsPerDay);
    const int64_t timeOfDay = microseconds - days * kMicrosecondsPerDay;
    const int64_t seconds = timeOfDay / kMicrosecondsPerSecond;
    return CivilDateTime{record::CivilFromDays(days), static_cast<int32_t>(seconds / 3600),
                         static_cast<int32_t>(seconds / 60 % 60), static_cast<int32_t>(seconds % 60),
                         static_cast<int32_t>(timeOfDay % kMicrosecondsPerSecond)};
}

}  // namespace kovra::host
