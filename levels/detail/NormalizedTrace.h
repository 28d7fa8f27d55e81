// Intermediate values of ComputeNormalizedLevels, for tests.
#pragma once

#include "levels/FrameLevels.h"
#include "levels/detail/Powers.h"

namespace kovra::levels::detail {

struct NormalizedTrace {
    bool mirrored;         // high <= 0: computed on the mirror image
    float scale;           // s
    float step;            // g: grid step, the scale times a power of two
    float base;            // L: grid line at or below the low
    float firstTop;        // T: L + g, or L + 2g when L + g does not exceed the high
    unsigned passedTests;  // bit k - 1 set when sub-frame test k holds
    int acceptedTest;      // the first test that holds (1..5), or 0: the first frame stands
    FrameLevels levels;    // final result, mirrored back
};

// The routine with its powers computed (ComputedPowers) or looked up
// (TabulatedPowers, what the routine uses); the two give the same bits.
template <typename Powers = TabulatedPowers>
NormalizedTrace TraceNormalizedLevels(float high, float low);
extern template NormalizedTrace TraceNormalizedLevels<ComputedPowers>(float, float);
extern template NormalizedTrace TraceNormalizedLevels<TabulatedPowers>(float, float);

// The scale for a high above zero: decades above 25 (100 for 25 < a <= 250,
// 1000 up to 2500, and so on), finer steps below. Zero for a high at or below
// zero or not-a-number; infinity above 2.5e38, past the 32-bit range.
float NormalizedScale(float high);

}  // namespace kovra::levels::detail
