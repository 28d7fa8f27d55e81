// Intermediate values of ComputeOptimizedLevels, for tests.
#pragma once

#include "levels/FrameLevels.h"
#include "levels/detail/Powers.h"

namespace kovra::levels::detail {

struct OptimizedTrace {
    bool mirrored;       // low < 0: computed on the mirror image
    double scale;        // P
    double eights;       // k: U = P / 8^k
    double unit;         // U
    double power;        // m: the first frame spans 2^m U
    FrameLevels first;   // first frame (of the mirror image when mirrored)
    bool refitted;       // a price overshot the first frame by more than a quarter span
    double refitPower;   // m' (meaningful when refitted)
    double refitUnit;    // U' (meaningful when refitted)
    FrameLevels levels;  // final result, mirrored back
};

// The routine with its powers computed (ComputedPowers) or looked up
// (TabulatedPowers, what the routine uses); the two give the same bits.
template <typename Powers = TabulatedPowers>
OptimizedTrace TraceOptimizedLevels(double high, double low);
extern template OptimizedTrace TraceOptimizedLevels<ComputedPowers>(double, double);
extern template OptimizedTrace TraceOptimizedLevels<TabulatedPowers>(double, double);

}  // namespace kovra::levels::detail
