// The "Optimized" level routine.
#pragma once

#include "levels/FrameLevels.h"

namespace kovra::levels {

// Preconditions: high > low, any sign (64-bit prices widened from 32 bits).
// Result: first the Accelerated frame (with a finer power-of-two tolerance);
// when a price lies beyond it by more than two eighths of its span, the frame
// is replaced once by a wider one (see the .cpp), which is not checked again.
// Frames below zero are computed on their mirror image. A flat frame gives
// not-a-number.
FrameLevels ComputeOptimizedLevels(double high, double low);

}  // namespace kovra::levels
