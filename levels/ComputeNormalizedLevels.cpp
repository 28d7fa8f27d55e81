#include "levels/ComputeNormalizedLevels.h"

#include <cmath>
#include <limits>

#include "levels/detail/LevelMath.h"
#include "levels/detail/NormalizedTrace.h"
#include "levels/detail/Powers.h"

namespace kovra::levels {
namespace detail {
namespace {

struct ScaleBand {
    double highAtMost;
    float scale;
};

// Bands in ascending order; the first whose bound is not below the high applies.
constexpr ScaleBand kScaleBands[] = {
    {0.390625, 0.1953125f}, {1.5625, 1.5625f}, {3.125, 3.125f}, {6.25, 6.25f},   {25, 12.5f},     {250, 1e2f},
    {2.5e3, 1e3f},          {2.5e4, 1e4f},     {2.5e5, 1e5f},   {2.5e6, 1e6f},   {2.5e7, 1e7f},   {2.5e8, 1e8f},
    {2.5e9, 1e9f},          {2.5e10, 1e10f},   {2.5e11, 1e11f}, {2.5e12, 1e12f}, {2.5e13, 1e13f}, {2.5e14, 1e14f},
    {2.5e15, 1e15f},        {2.5e16, 1e16f},   {2.5e17, 1e17f}, {2.5e18, 1e18f}, {2.5e19, 1e19f}, {2.5e20, 1e20f},
    {2.5e21, 1e21f},        {2.5e22, 1e22f},   {2.5e23, 1e23f}, {2.5e24, 1e24f}, {2.5e25, 1e25f}, {2.5e26, 1e26f},
    {2.5e27, 1e27f},        {2.5e28, 1e28f},   {2.5e29, 1e29f}, {2.5e30, 1e30f}, {2.5e31, 1e31f}, {2.5e32, 1e32f},
    {2.5e33, 1e33f},        {2.5e34, 1e34f},   {2.5e35, 1e35f}, {2.5e36, 1e36f}, {2.5e37, 1e37f}, {2.5e38, 1e38f},
};

// One of the five halves or quarters of the first frame, with the bounds the
// prices must keep: its own -2/8th and +2/8th lines.
struct SubFrame {
    float lowAtLeast;
    float highAtMost;
    float top;
    float bottom;
};

}  // namespace

float NormalizedScale(float high) {
    if (!(high > 0)) {
        return 0;
    }
    for (const ScaleBand& band : kScaleBands) {
        if (high <= band.highAtMost) {
            return band.scale;
        }
    }
    return std::numeric_limits<float>::infinity();  // the next decade, 1e39, is past the 32-bit range
}

template <typename Powers>
NormalizedTrace TraceNormalizedLevels(float high, float low) {
    NormalizedTrace t{};
    t.mirrored = high <= 0;
    const float a = t.mirrored ? 0 - low : high;
    const float b = t.mirrored ? (0 - low) - (high - low) : low;

    t.scale = NormalizedScale(a);
    const float r = a - b;
    const float e = Floor23(Ln32(t.scale / r) / kLn2Single);
    t.step = Powers::Half(e) * t.scale;
    const float g = t.step;
    t.base = Floor23(b / g) * g;
    const float L = t.base;
    t.firstTop = g + L;
    if (!(t.firstTop > a)) {
        t.firstTop = (g + g) + L;
    }
    const float T = t.firstTop;
    const float D = T - L;

    const auto at = [D, L](float multiple, float fraction) { return (multiple * D) * fraction + L; };
    const SubFrame subFrames[] = {
        {at(3, 0.0625f), at(9, 0.0625f), 0.5f * D + L, 0.25f * D + L},
        {L - D * 0.125f, at(5, 0.125f), 0.5f * D + L, L},
        {at(7, 0.0625f), at(13, 0.0625f), 0.25f * (3 * D) + L, 0.5f * D + L},
        {at(3, 0.125f), at(9, 0.125f), T, 0.5f * D + L},
        {D * 0.125f + L, at(7, 0.125f), 0.25f * (3 * D) + L, 0.25f * D + L},
    };

    // Rounding can let two tests pass on a range of a few float steps; the
    // first in order decides, never a mixture of candidates.
    float top = T;
    float bottom = L;
    for (int test = 1; test <= 5; ++test) {
        const SubFrame& sub = subFrames[test - 1];
        if (!(b >= sub.lowAtLeast && a <= sub.highAtMost)) {
            continue;
        }
        t.passedTests |= 1u << (test - 1);
        if (t.acceptedTest == 0) {
            t.acceptedTest = test;
            top = sub.top;
            bottom = sub.bottom;
        }
    }

    t.levels =
        t.mirrored ? FrameLevels{-static_cast<double>(bottom), -static_cast<double>(top)} : FrameLevels{top, bottom};
    return t;
}

template NormalizedTrace TraceNormalizedLevels<ComputedPowers>(float, float);
template NormalizedTrace TraceNormalizedLevels<TabulatedPowers>(float, float);

}  // namespace detail

FrameLevels ComputeNormalizedLevels(float high, float low) {
    return detail::TraceNormalizedLevels<detail::TabulatedPowers>(high, low).levels;
}

}  // namespace kovra::levels
