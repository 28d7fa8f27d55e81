// Intermediate values of ComputeAcceleratedLevels, for tests.
#pragma once

#include <cstdint>

#include "levels/FrameLevels.h"

namespace kovra::levels::detail {

struct AcceleratedTrace {
    double scale;        // P: base scale from the high
    double unit;         // U: the scale divided by a power of eight
    std::int32_t power;  // n: power of two of the span over U
    std::int32_t centre; // M: midpoint in half-spans, rounded
    FrameLevels levels;
};

AcceleratedTrace TraceAcceleratedLevels(double high, double low);

}  // namespace kovra::levels::detail
