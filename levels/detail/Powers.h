// The powers the level routines form: 10^i, 8^i and 2^i as exp(i * ln 10),
// exp(i * ln 8) and exp(i * ln 2) for whole i, and the Normalized routine's
// 0.5^e as the 64-bit pow narrowed to 32 bits. Two ways to get them, the same
// to the bit: computed on every call, or looked up.
#pragma once

#include <cmath>
#include <cstdint>

#include "levels/detail/LevelMath.h"

namespace kovra::levels::detail {

// Computed where needed, as the routines are defined.
struct ComputedPowers {
    static double Ten(double i) { return std::exp(i * kLn10); }
    static double Eight(double i) { return std::exp(i * kLn8); }
    static double Two(double i) { return std::exp(i * kLn2); }
    static float Half(float e) { return Pow32(0.5f, e); }
};

// The whole exponents each table holds, lowest to highest.
struct PowerRange {
    int32_t lowest;
    int32_t highest;
};
inline constexpr PowerRange kTenRange{-64, 64};
inline constexpr PowerRange kEightRange{-128, 128};
inline constexpr PowerRange kTwoRange{-256, 256};
inline constexpr PowerRange kHalfRange{-256, 256};

// Looked up in tables the library fills once as it loads, by the same exp and
// pow on the same arguments (not shipped precomputed: the C library chooses its
// exp by processor, so only the running process knows its bits). Exponents
// that are not whole numbers within a table's range go to exp and pow.
struct TabulatedPowers {
    static double Ten(double i);
    static double Eight(double i);
    static double Two(double i);
    static float Half(float e);
};

}  // namespace kovra::levels::detail
