// Conversions of numbers to the record's whole-number fields (bar positions,
// sizes, 16-bit widths and styles), defined for every input: NaN gives 0 and
// out-of-range values saturate.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kovra::record {

// Truncation toward zero into 32 bits.
inline int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

inline int32_t FloorToInt32(double value) { return TruncateToInt32(std::floor(value)); }
inline int32_t CeilToInt32(double value) { return TruncateToInt32(std::ceil(value)); }

// A width or style stored in a 16-bit field.
inline int16_t SaturateToInt16(int64_t value) {
    if (value > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (value < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(value);
}

}  // namespace kovra::record
