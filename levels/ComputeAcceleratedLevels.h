// The default level routine ("Accelerated", "Legacy" and any other algorithm text).
#pragma once

#include "levels/FrameLevels.h"

namespace kovra::levels {

// Preconditions: high > low, high > 0 (64-bit prices widened from 32 bits).
// Result: the MM frame whose span is the largest power-of-two multiple of the
// high's base scale not above the range, centred on the multiple of half that
// span nearest to the midpoint. The frame need not contain the prices.
// A flat frame or a high at or below zero gives not-a-number.
FrameLevels ComputeAcceleratedLevels(double high, double low);

}  // namespace kovra::levels
