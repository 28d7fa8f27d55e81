#include "levels/ComputeAcceleratedLevels.h"

#include <cmath>

#include "levels/detail/AcceleratedTrace.h"
#include "levels/detail/LevelMath.h"
#include "levels/detail/Powers.h"

namespace kovra::levels {
namespace detail {

template <typename Powers>
AcceleratedTrace TraceAcceleratedLevels(double high, double low) {
    const double a = high;
    const double b = low;
    const double r = a - b;
    AcceleratedTrace t{};

    // Base scale: a decade above 25, else 100 times a power of eight (log rounded toward zero).
    if (a > 25) {
        const double decades = std::log(0.4 * a) / kLn10;
        std::int32_t i = Trunc32(decades);
        if (decades - i > 0) {
            i = Add32(i, 1);
        }
        t.scale = Powers::Ten(i);
    } else {
        const std::int32_t i = Trunc32(std::log(0.005 * a) / kLn8);
        t.scale = 100 * Powers::Eight(i);
    }

    // Divisor: the exactness test compares the two computed values as they come
    // out, so a whole q still takes the extra division by eight.
    const double lnX = std::log(t.scale / r);
    const double q = lnX / kLn8;
    if (q <= 0) {
        t.unit = t.scale;  // P * exp(-0.0)
    } else {
        const std::int32_t j = Trunc32(q);
        const std::int32_t eights = (lnX / kLn8 - std::fmod(lnX, kLn8) == 0) ? j : Add32(j, 1);
        t.unit = t.scale * Powers::Eight(-static_cast<double>(eights));
    }

    t.power = Trunc32(std::log(r / t.unit) * kInvLn2 + 0.00001);
    const double halfSpanFactor = Powers::Two(Add32(t.power, -1));
    const double mid = (a + b) * 0.5;
    t.centre = Trunc32(std::round(mid / (halfSpanFactor * t.unit)));

    const double bottom = halfSpanFactor * (Add32(t.centre, -1) * t.unit);
    const double top = (Add32(t.centre, 1) * t.unit) * halfSpanFactor;
    const double span = top - bottom;
    t.levels = {span + bottom, 0 * span + bottom};
    return t;
}

template AcceleratedTrace TraceAcceleratedLevels<ComputedPowers>(double, double);
template AcceleratedTrace TraceAcceleratedLevels<TabulatedPowers>(double, double);

}  // namespace detail

FrameLevels ComputeAcceleratedLevels(double high, double low) {
    return detail::TraceAcceleratedLevels<detail::TabulatedPowers>(high, low).levels;
}

}  // namespace kovra::levels
