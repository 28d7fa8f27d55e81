// Prices a fuzzer picks: mostly the awkward ones (not-a-number, infinities,
// zero, negatives, the tiniest and the largest 32-bit values), else raw bits.
#pragma once

#include <cfloat>
#include <cmath>
#include <iterator>
#include <limits>

#include "fuzz/FuzzInput.h"

namespace kovra::fuzz {

inline constexpr float kAwkwardPrices[] = {
    std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    0.0f,
    -0.0f,
    -1.5f,
    -4512.25f,
    1e-30f,
    3e38f,
    FLT_MAX,
    -FLT_MAX,
    FLT_MIN,
    std::numeric_limits<float>::denorm_min(),
    1.2345f,
    25.0f,
    25.000002f,
    100.0f,
    87.5f,
    250.0f,
    2500.0f,
    4512.25f,
    17250.0f,
    250000.0f,
    1e7f,
};

// One selector byte: below 128 an awkward price, otherwise four raw bytes.
inline float AwkwardPrice(FuzzInput& input) {
    const uint8_t selector = input.Byte();
    if (selector < 128) return kAwkwardPrices[selector % std::size(kAwkwardPrices)];
    return input.Raw<float>();
}

}  // namespace kovra::fuzz
