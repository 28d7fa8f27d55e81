#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "levels/ComputeNormalizedLevels.h"
#include "levels/detail/NormalizedTrace.h"
#include "tests/levels/LevelTestSupport.h"

namespace kovra::levels {
namespace {

using detail::NormalizedScale;
using detail::TraceNormalizedLevels;

float Above(float x) { return std::nextafter(x, std::numeric_limits<float>::infinity()); }

TEST(NormalizedLevels, ScaleBandBoundariesIncludingDecadesAbove250000) {
    const struct {
        float high;
        float scale;
    } rows[] = {
        {0.390625f, 0.1953125f},
        {Above(0.390625f), 1.5625f},
        {6.25f, 6.25f},
        {Above(6.25f), 12.5f},
        {25, 12.5f},
        {Above(25), 100},
        {250, 100},
        {Above(250), 1000},
        {2500, 1000},
        {250000, 100000},
        // Above 250000 the decades go on instead of scale 0.
        {Above(250000), 1e6f},
        {2500000, 1e6f},
        {Above(2500000), 1e7f},
        {3e12f, 1e13f},
        {1e38f, 1e38f},
        {0, 0},
        {-1, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(NormalizedScale(row.high), row.scale) << "high " << row.high;
    }
}

TEST(NormalizedLevels, HighsAbove250000GetAFrameHoldingThePrices) {
    const test::Frame frames[] = {{300000, 290000}, {4.2e6, 4.1e6}, {7.5e9, 7.4e9}};
    for (const auto& frame : frames) {
        const FrameLevels levels = ComputeNormalizedLevels(frame.high, frame.low);
        const double quarter = (levels.top - levels.bottom) / 4;
        EXPECT_LE(levels.bottom - quarter, frame.low) << frame.high;
        EXPECT_GE(levels.top + quarter, frame.high) << frame.high;
        EXPECT_GT(levels.top - levels.bottom, 0) << frame.high;
    }
}

TEST(NormalizedLevels, FirstFrameDoublesWhenOneStepOnlyReachesTheHigh) {
    const auto trace = TraceNormalizedLevels(20.3125f, 19);
    ASSERT_EQ(trace.step + trace.base, 20.3125f);  // the comparison with the high is strict
    EXPECT_EQ(trace.firstTop, trace.base + 2 * trace.step);
}

TEST(NormalizedLevels, HighAtOrBelowZeroIsTheMirrorImage) {
    const FrameLevels levels = ComputeNormalizedLevels(-1, -2);
    EXPECT_EQ(levels.top, -0.78125);
    EXPECT_EQ(levels.bottom, -2.34375);

    test::RandomFrames frames(0x5eed0002, 0.001, 250000);
    for (int i = 0; i < test::kRandomFrameCount; ++i) {
        const auto [high, low] = frames.Next();
        const FrameLevels positive = ComputeNormalizedLevels(static_cast<float>(high), static_cast<float>(low));
        const FrameLevels mirrored = ComputeNormalizedLevels(static_cast<float>(-low), static_cast<float>(-high));
        ASSERT_EQ(mirrored.top, -positive.bottom) << high << " / " << low;
        ASSERT_EQ(mirrored.bottom, -positive.top) << high << " / " << low;
    }
}

// A range of one float step lets tests 1 and 3 both pass; summing their
// candidates would give a top near 3050. The first test decides instead.
TEST(NormalizedLevels, FirstPassingTestDecidesWhenRoundingLetsSeveralPass) {
    const float high = 1525.3040771484375f;
    const float low = 1525.303955078125f;
    const auto trace = TraceNormalizedLevels(high, low);
    ASSERT_GE(std::popcount(trace.passedTests), 2);
    EXPECT_EQ(trace.acceptedTest, 1);
    EXPECT_EQ(trace.levels.top, high);
    EXPECT_EQ(trace.levels.bottom, low);
}

TEST(NormalizedLevels, FlatFrameGivesNotANumber) {
    for (const float price : {5.0f, 0.0f, -3.0f}) {
        const FrameLevels levels = ComputeNormalizedLevels(price, price);
        EXPECT_TRUE(std::isnan(levels.top)) << price;
        EXPECT_TRUE(std::isnan(levels.bottom)) << price;
    }
}

// Grid step g between the range and twice the range, first frame L..T holding
// the prices, and the result either that frame or the first sub-frame whose
// quarter-widened bounds hold them.
TEST(NormalizedLevels, GridFirstFrameAndSubFrameOverRandomFrames) {
    test::RandomFrames frames(0x5eed0003, 0.001, 250000);
    for (int i = 0; i < test::kRandomFrameCount; ++i) {
        const auto [high, low] = frames.Next();
        const auto trace = TraceNormalizedLevels(static_cast<float>(high), static_cast<float>(low));
        const double range = high - low;
        const double span = trace.firstTop - trace.base;
        ASSERT_LE(range, trace.step * (1 + 1e-6)) << high << " / " << low;
        ASSERT_LT(trace.step, 2 * range * (1 + 1e-6)) << high << " / " << low;
        ASSERT_LE(trace.base, low) << high << " / " << low;
        ASSERT_GT(trace.firstTop, high) << high << " / " << low;
        const double top = trace.levels.top;
        const double bottom = trace.levels.bottom;
        ASSERT_GT(top, bottom) << high << " / " << low;
        const double subSpan = top - bottom;
        if (trace.acceptedTest == 0) {
            ASSERT_EQ(subSpan, span) << high << " / " << low;
            continue;
        }
        // Sub-frame bounds are 32-bit sums, so halves and quarters hold to a few float steps.
        const double slack = 4 * std::numeric_limits<float>::epsilon() * high;
        ASSERT_TRUE(std::fabs(subSpan - span / 2) <= slack || std::fabs(subSpan - span / 4) <= slack)
            << high << " / " << low;
        ASSERT_LE(bottom - subSpan / 4, low + slack) << high << " / " << low;
        ASSERT_GE(top + subSpan / 4, high - slack) << high << " / " << low;
    }
}

}  // namespace
}  // namespace kovra::levels
