// Choosing the level routine by the "Frame Algorithm" text, and calling it.
#pragma once

#include "levels/FrameLevels.h"

namespace kovra::levels {

enum class LevelAlgorithm { Normalized, Optimized, Accelerated };

// Exact, case-sensitive comparison of the whole text: "Normalized" and
// "Optimized" pick their routines; "Accelerated", "Legacy", any other text and
// a null pointer pick the Accelerated routine.
LevelAlgorithm SelectLevelAlgorithm(const char* frameAlgorithmText);

// Runs the chosen routine on a frame whose prices come from 32-bit series;
// the Normalized routine receives them narrowed back to 32 bits.
FrameLevels ComputeLevels(LevelAlgorithm algorithm, double high, double low);

}  // namespace kovra::levels
