#include "fuzz/FuzzLevels.h"

#include <cmath>
#include <cstdio>

#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzPrices.h"
#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeNormalizedLevels.h"
#include "levels/ComputeOptimizedLevels.h"

namespace kovra::fuzz {

namespace {

std::string Describe(const char* routine, float high, float low, const levels::FrameLevels& result) {
    char text[256];
    std::snprintf(text, sizeof text, "%s(%.9g, %.9g) gave top %.17g, bottom %.17g", routine, high, low, result.top,
                  result.bottom);
    return text;
}

bool FiniteOrdered(const levels::FrameLevels& result) {
    return std::isfinite(result.top) && std::isfinite(result.bottom) && result.top >= result.bottom;
}

// The Normalized routine works in 32-bit floats: its frame (up to twice the
// range above the high) must fit the format, and its grid step must not sink
// below the smallest normal steps.
constexpr double kNormalizedLargest = 1e37;
constexpr double kNormalizedNarrowest = 1e-30;

bool WithinNormalizedFormat(double high, double low) {
    return std::fabs(high) <= kNormalizedLargest && std::fabs(low) <= kNormalizedLargest &&
           high - low >= kNormalizedNarrowest;
}

}  // namespace

std::string CheckLevelsInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const float first = AwkwardPrice(input);
    const float second = AwkwardPrice(input);

    // The driver orders the extremes itself; the routines must still survive either order.
    for (const auto& [high, low] : {std::pair{first, second}, std::pair{second, first}}) {
        const levels::FrameLevels accelerated = levels::ComputeAcceleratedLevels(high, low);
        const levels::FrameLevels normalized = levels::ComputeNormalizedLevels(high, low);
        const levels::FrameLevels optimized = levels::ComputeOptimizedLevels(high, low);
        if (!std::isfinite(high) || !std::isfinite(low) || !(high > low)) continue;
        if (high > 0 && !FiniteOrdered(accelerated))
            return Describe("ComputeAcceleratedLevels", high, low, accelerated);
        if (WithinNormalizedFormat(high, low) && !FiniteOrdered(normalized))
            return Describe("ComputeNormalizedLevels", high, low, normalized);
        if (!FiniteOrdered(optimized)) return Describe("ComputeOptimizedLevels", high, low, optimized);
    }
    return {};
}

}  // namespace kovra::fuzz
