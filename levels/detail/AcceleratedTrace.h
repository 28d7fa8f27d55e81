// Intermediate values of ComputeAcceleratedLevels, for tests.
#pragma once

#include <cstdint>

#include "levels/FrameLevels.h"
#include "levels/detail/Powers.h"

namespace kovra::levels::detail {

struct AcceleratedTrace {
    double scale;         // P: base scale from the high
    double unit;          // U: the scale divided by a power of eight
    std::int32_t power;   // n: power of two of the span over U
    std::int32_t centre;  // M: midpoint in half-spans, rounded
    FrameLevels levels;
};

// The routine with its powers computed (ComputedPowers) or looked up
// (TabulatedPowers, what the routine uses); the two give the same bits.
template <typename Powers = TabulatedPowers>
AcceleratedTrace TraceAcceleratedLevels(double high, double low);
extern template AcceleratedTrace TraceAcceleratedLevels<ComputedPowers>(double, double);
extern template AcceleratedTrace TraceAcceleratedLevels<TabulatedPowers>(double, double);

}  // namespace kovra::levels::detail
