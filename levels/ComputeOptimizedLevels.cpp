#include "levels/ComputeOptimizedLevels.h"

#include <cmath>

#include "levels/detail/LevelMath.h"
#include "levels/detail/OptimizedTrace.h"
#include "levels/detail/Powers.h"

namespace kovra::levels {
namespace detail {
namespace {

// The frame of span 2^power * unit centred on the multiple of its half-span
// nearest to mid. (exp(ln 2 * x) is exp(x * ln 2): a product does not depend
// on the order of its factors.)
template <typename Powers>
FrameLevels CentreFrame(double mid, double power, double unit) {
    const double halfSpanFactor = Powers::Two(power - 1);
    const double centre = std::round(mid / (halfSpanFactor * unit));
    return {((centre + 1) * unit) * halfSpanFactor, ((centre - 1) * unit) * halfSpanFactor};
}

}  // namespace

template <typename Powers>
OptimizedTrace TraceOptimizedLevels(double high, double low) {
    OptimizedTrace t{};
    t.mirrored = low < 0;
    const double a = t.mirrored ? 0 - low : high;
    const double b = t.mirrored ? (0 - low) - (high - low) : low;

    // Base scale: a decade above 25, else 100 times a power of eight (log rounded down).
    if (a > 25) {
        const double decades = std::log(0.4 * a) / kLn10;
        double i = Floor52(decades);
        if (decades - i > 0) {
            i = i + 1;
        }
        t.scale = Powers::Ten(i);
    } else {
        t.scale = 100 * Powers::Eight(Floor52(std::log(0.005 * a) / kLn8));
    }

    const double r = a - b;
    const double q = std::log(t.scale / r) / kLn8;
    if (q <= 0) {
        t.eights = 0;
        t.unit = t.scale;  // exp(-0.0) * P
    } else {
        t.eights = Floor52(q);
        if (q - t.eights != 0) {
            t.eights = t.eights + 1;
        }
        t.unit = Powers::Eight(-t.eights) * t.scale;
    }

    t.power = Floor52(kInvLn2 * std::log(r / t.unit) + 0.0000001);
    const double mid = (b + a) * 0.5;
    t.first = CentreFrame<Powers>(mid, t.power, t.unit);

    FrameLevels frame = t.first;
    const double margin = 0.25 * (frame.top - frame.bottom);
    t.refitted = a - frame.top > margin || frame.bottom - b > margin;
    if (t.refitted) {
        // m < 2 doubles the span; m = 2 and 3 take the span 8U (twice, or the
        // same). Only frames straddling zero reach m >= 4, where 8U would shrink
        // the frame until it holds neither price, so they double instead.
        if (t.power < 2 || t.power > 3) {
            t.refitPower = t.power + 1;
            t.refitUnit = t.unit;  // P * exp(-k ln 8), the same value
        } else {
            t.refitPower = 0;
            t.refitUnit = t.scale * Powers::Eight(-(t.eights - 1));
        }
        frame = CentreFrame<Powers>(mid, t.refitPower, t.refitUnit);
    }

    t.levels = t.mirrored ? FrameLevels{-frame.bottom, -frame.top} : frame;
    return t;
}

template OptimizedTrace TraceOptimizedLevels<ComputedPowers>(double, double);
template OptimizedTrace TraceOptimizedLevels<TabulatedPowers>(double, double);

}  // namespace detail

FrameLevels ComputeOptimizedLevels(double high, double low) {
    return detail::TraceOptimizedLevels<detail::TabulatedPowers>(high, low).levels;
}

}  // namespace kovra::levels
