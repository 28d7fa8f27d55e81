#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/detail/AcceleratedTrace.h"
#include "tests/levels/LevelTestSupport.h"

namespace kovra::levels {
namespace {

using detail::TraceAcceleratedLevels;
using test::ExpectRelativelyNear;

float Above(float x) { return std::nextafter(x, std::numeric_limits<float>::infinity()); }

TEST(AcceleratedLevels, BaseScaleBandBoundaries) {
    const struct {
        float high;
        double scale;
    } rows[] = {
        {25, 12.5},
        {Above(25), 100},
        {250, 100},
        {Above(250), 1000},
        {2500, 1000},
        {25000, 10000},
        {250000, 100000},
        {Above(250000), 1000000},
        {3.125f, 1.5625},
        {Above(3.125f), 12.5},
        {0.390625f, 0.1953125},
        {Above(0.390625f), 1.5625},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "high " << row.high);
        ExpectRelativelyNear(TraceAcceleratedLevels(row.high, row.high * 0.99f).scale, row.scale, "P");
    }
}

TEST(AcceleratedLevels, FrameIsNotWidenedToHoldThePrices) {
    const FrameLevels levels = ComputeAcceleratedLevels(4512.25, 4488.5);
    EXPECT_LT(levels.top, 4512.25);
}

// In exact arithmetic the midpoint 96.875 is 15.5 half-spans of 6.25 and would
// round away to 16 (106.25 / 93.75). The divisor is formed as exp(-2 ln 8) * 100
// = 1.5625000000000013, a hair above 1.5625, so the quotient falls just below
// 15.5 and the forms give M = 15.
TEST(AcceleratedLevels, HalfwayMidpointFollowsTheInexactPowers) {
    const auto trace = TraceAcceleratedLevels(103.125, 90.625);
    EXPECT_GT(trace.unit, 1.5625);
    EXPECT_EQ(trace.centre, 15);
    ExpectRelativelyNear(trace.levels.top, 100, "top");
    ExpectRelativelyNear(trace.levels.bottom, 87.5, "bottom");
}

TEST(AcceleratedLevels, FramesWithoutDefinedLevelsGiveNotANumber) {
    const test::Frame undefined[] = {{5, 5}, {0, 0}, {-1, -2}, {0, -1}};
    for (const auto& frame : undefined) {
        SCOPED_TRACE(testing::Message() << frame.high << " / " << frame.low);
        const FrameLevels levels = ComputeAcceleratedLevels(frame.high, frame.low);
        EXPECT_TRUE(std::isnan(levels.top));
        EXPECT_TRUE(std::isnan(levels.bottom));
    }
}

// The span is the largest power-of-two multiple of P not above the range
// (tolerance 1e-5 in the exponent), centred on the multiple of half the span
// nearest to the midpoint.
TEST(AcceleratedLevels, SpanAndCentreOverRandomFrames) {
    test::RandomFrames frames(0x5eed0001, 0.001, 250000);
    for (int i = 0; i < test::kRandomFrameCount; ++i) {
        const auto [high, low] = frames.Next();
        const auto trace = TraceAcceleratedLevels(high, low);
        const double span = trace.levels.top - trace.levels.bottom;
        const double range = high - low;
        ASSERT_GT(span, 0) << high << " / " << low;
        const double powerOfTwo = std::log2(span / trace.scale);
        ASSERT_NEAR(powerOfTwo, std::round(powerOfTwo), 1e-9) << high << " / " << low;
        ASSERT_LE(span, range * (1 + 2e-5)) << high << " / " << low;
        ASSERT_GT(2 * span, range) << high << " / " << low;
        const double centreOffset = (trace.levels.top + trace.levels.bottom) / 2 - (high + low) / 2;
        ASSERT_LE(std::fabs(centreOffset), span / 4 * (1 + 1e-9)) << high << " / " << low;
    }
}

}  // namespace
}  // namespace kovra::levels
