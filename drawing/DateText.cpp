#include "drawing/DateText.h"

namespace {

constexpr int64_t kMicrosecondsPerDay = 86'400'000'000;
constexpr int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr int64_t kHalfSecond = 500'000;
// 1899-12-30 counted in days from 0000-03-01, the start of a 400-year era.
constexpr int64_t kOriginFromEraStart = 693'899;
constexpr int64_t kDaysPerEra = 146'097;

int64_t FloorDivide(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor < 0) ? quotient - 1 : quotient;
}

int64_t FloorModulo(int64_t value, int64_t divisor) {
    const int64_t remainder = value % divisor;
    return remainder < 0 ? remainder + divisor : remainder;
}

}  // namespace

DateTextParts SplitDateTime(int64_t dateTime) {
    // |days| stays below 1.1e8, so the era arithmetic cannot overflow.
    const int64_t days = FloorDivide(dateTime, kMicrosecondsPerDay) + kOriginFromEraStart;
    // Month and day depend only on the day within the 400-year era; the year is never shown.
    const int64_t dayOfEra = FloorModulo(days, kDaysPerEra);
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);  // from 1 March
    const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;

    // (dateTime + half a second) modulo a day, without forming the sum.
    const int64_t timeOfDay = FloorModulo(FloorModulo(dateTime, kMicrosecondsPerDay) + kHalfSecond, kMicrosecondsPerDay);
    const int64_t seconds = timeOfDay / kMicrosecondsPerSecond;

    DateTextParts parts{};
    parts.day = static_cast<int32_t>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    parts.month = static_cast<int32_t>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    parts.hour = static_cast<int32_t>(seconds / 3600);
    parts.minute = static_cast<int32_t>((seconds / 60) % 60);
    return parts;
}
