// The "Normalized" level routine, in 32-bit float arithmetic throughout.
#pragma once

#include "levels/FrameLevels.h"

namespace kovra::levels {

// Preconditions: high > low (32-bit prices). Result: the frame snapped to a
// grid of the high's decade scale divided by a power of two, then narrowed to
// the first of five halves or quarters of it (in a fixed order) that holds the
// prices within a quarter of its own span on each side. A high at or below
// zero is computed on the mirror image. A flat frame gives not-a-number.
FrameLevels ComputeNormalizedLevels(float high, float low);

}  // namespace kovra::levels
