// Arithmetic shared by the level routines. The routines' results are defined by
// these exact forms (natural logarithms divided by fixed constants, powers as
// exp of an integer times a constant), so keep them as they are.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kovra::levels::detail {

inline constexpr double kLn10 = 2.302585092994046;
inline constexpr double kLn8 = 2.0794415416798357;
inline constexpr double kLn2 = 0.6931471805599453;
inline constexpr double kInvLn2 = 1.4426950408889634;
inline constexpr float kLn2Single = 0.6931472f;  // the 32-bit float nearest to ln 2

// Conversion toward zero to a 32-bit signed integer, the way the processor
// converts: not-a-number and values outside the 32-bit range give INT32_MIN.
// Keeping that value (instead of saturating) is what lets frames without
// defined levels, flat or with a high at or below zero, end in not-a-number.
inline std::int32_t Trunc32(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(x);
}

// 32-bit two's-complement addition: wraps where plain int addition would overflow.
inline std::int32_t Add32(std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(x) + y);
}

// floor applied only where a double can still hold a fraction; larger values,
// infinities and not-a-number pass unchanged.
inline double Floor52(double x) { return std::fabs(x) < 4503599627370496.0 ? std::floor(x) : x; }

// The same for 32-bit floats (2^23).
inline float Floor23(float x) { return std::fabs(x) < 8388608.0f ? std::floor(x) : x; }

// 32-bit ln and pow: the 64-bit functions of the widened arguments, narrowed.
inline float Ln32(float x) { return static_cast<float>(std::log(static_cast<double>(x))); }
inline float Pow32(float base, float exponent) {
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}

}  // namespace kovra::levels::detail
