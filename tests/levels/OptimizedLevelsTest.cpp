#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeOptimizedLevels.h"
#include "levels/detail/OptimizedTrace.h"
#include "tests/levels/LevelTestSupport.h"

namespace kovra::levels {
namespace {

using detail::TraceOptimizedLevels;
using test::ExpectRelativelyNear;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(OptimizedLevels, BaseScaleRoundsTheLogarithmDown) {
    const struct {
        float high;
        double scale;
    } rows[] = {
        {25, 12.5}, {std::nextafter(25.0f, 0.0f), 1.5625}, {3.125f, 1.5625}, {std::nextafter(3.125f, 0.0f), 0.1953125},
        {250, 100}, {std::nextafter(250.0f, 1e9f), 1000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "high " << row.high);
        const float low = row.high * 0.99f;
        const auto trace = TraceOptimizedLevels(row.high, low);
        ExpectRelativelyNear(trace.scale, row.scale, "P");
        // Whatever the scale, the first frame is the Accelerated frame.
        const FrameLevels accelerated = ComputeAcceleratedLevels(row.high, low);
        ExpectRelativelyNear(trace.first.top, accelerated.top, "first top");
        ExpectRelativelyNear(trace.first.bottom, accelerated.bottom, "first bottom");
    }
}

// In exact arithmetic P / r is 8 here and k would be 1. P is formed as
// 100 * exp(-2 ln 8) = 1.5625000000000007, so q comes out just above 1 and
// k = 2; the first frame then spans 2^3 U' with U' an eighth smaller.
TEST(OptimizedLevels, WholeQFollowsTheInexactPowers) {
    const auto trace = TraceOptimizedLevels(10.1953125, 10);
    EXPECT_GT(trace.scale, 1.5625);
    EXPECT_EQ(trace.eights, 2);
    EXPECT_EQ(trace.power, 3);
    ExpectRelativelyNear(trace.levels.top, 10.15625, "top");
    ExpectRelativelyNear(trace.levels.bottom, 9.9609375, "bottom");
}

// A price exactly a quarter span beyond the first frame does not refit; one
// representable step further does. The frames are built from a first frame so
// that the overshoot equals the margin in the computed values.
TEST(OptimizedLevels, OvershootComparisonsAreStrict) {
    const test::Frame bases[] = {{4512.25, 4488.5}, {static_cast<float>(1.10523), static_cast<float>(1.0987)}};
    for (const auto& base : bases) {
        SCOPED_TRACE(testing::Message() << base.high << " / " << base.low);
        const FrameLevels first = TraceOptimizedLevels(base.high, base.low).first;
        const double margin = 0.25 * (first.top - first.bottom);

        const double high = first.top + margin;
        const auto highEdge = TraceOptimizedLevels(high, base.low);
        ASSERT_EQ(high - first.top, margin);
        ASSERT_EQ(highEdge.first.top, first.top);
        EXPECT_FALSE(highEdge.refitted);
        EXPECT_TRUE(TraceOptimizedLevels(std::nextafter(high, kInfinity), base.low).refitted);

        const double low = first.bottom - margin;
        const auto lowEdge = TraceOptimizedLevels(base.high, low);
        ASSERT_EQ(first.bottom - low, margin);
        ASSERT_EQ(lowEdge.first.bottom, first.bottom);
        EXPECT_FALSE(lowEdge.refitted);
        EXPECT_TRUE(TraceOptimizedLevels(base.high, std::nextafter(low, -kInfinity)).refitted);
    }
}

// In exact arithmetic the low overshoots 87.5 by exactly a quarter of 12.5 and
// the frame would stand. exp(-ln 2) * 12.500000000000009 puts the computed
// bottom a few units above 87.5, so the overshoot is strictly larger and the
// frame is refitted to twice the span.
TEST(OptimizedLevels, QuarterOvershootFollowsTheInexactPowers) {
    const auto trace = TraceOptimizedLevels(100, 84.375);
    EXPECT_TRUE(trace.refitted);
    ExpectRelativelyNear(trace.levels.top, 100, "top");
    ExpectRelativelyNear(trace.levels.bottom, 75, "bottom");
}

TEST(OptimizedLevels, RefitWithSameSpanForPowerThreeIsNotCheckedAgain) {
    const auto trace = TraceOptimizedLevels(2, 0.390625);
    ASSERT_EQ(trace.power, 3);
    ASSERT_TRUE(trace.refitted);
    EXPECT_EQ(trace.refitPower, 0);
    ExpectRelativelyNear(trace.refitUnit, 8 * trace.unit, "U'");
    const double quarter = 0.25 * (trace.levels.top - trace.levels.bottom);
    EXPECT_GT(trace.levels.bottom - 0.390625, quarter);  // still overshoots
    ExpectRelativelyNear(trace.levels.top, 2.34375, "top");
    ExpectRelativelyNear(trace.levels.bottom, 0.78125, "bottom");
}

TEST(OptimizedLevels, FrameBelowZeroIsTheMirrorImage) {
    const auto trace = TraceOptimizedLevels(-1, -2);
    EXPECT_TRUE(trace.mirrored);
    ExpectRelativelyNear(trace.first.top, 1.953125, "mirrored first top");
    ExpectRelativelyNear(trace.first.bottom, 1.171875, "mirrored first bottom");
    ExpectRelativelyNear(trace.levels.top, -1.171875, "top");
    ExpectRelativelyNear(trace.levels.bottom, -1.953125, "bottom");

    test::RandomFrames frames(0x5eed0004, 0.001, 250000);
    for (int i = 0; i < test::kRandomFrameCount; ++i) {
        const auto [high, low] = frames.Next();
        const FrameLevels positive = ComputeOptimizedLevels(high, low);
        const FrameLevels mirrored = ComputeOptimizedLevels(-low, -high);
        ASSERT_EQ(mirrored.top, -positive.bottom) << high << " / " << low;
        ASSERT_EQ(mirrored.bottom, -positive.top) << high << " / " << low;
    }
}

// A small negative low under a positive high mirrors into a frame with m of 4
// or more, where eight times U would shrink the frame to hold neither price
// (10 / -0.5 would give 5.46875 / 3.90625). The refit doubles the span instead.
TEST(OptimizedLevels, FrameStraddlingZeroRefitsToTwiceTheSpan) {
    const struct {
        double high, low, power, top, bottom;
    } rows[] = {
        {10, -0.5, 5, 12.5, 0},
        {2, static_cast<float>(-0.01), 9, 3.125, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.high << " / " << row.low);
        const auto trace = TraceOptimizedLevels(row.high, row.low);
        EXPECT_EQ(trace.power, row.power);
        ASSERT_TRUE(trace.refitted);
        EXPECT_EQ(trace.refitPower, row.power + 1);
        ExpectRelativelyNear(trace.levels.top, row.top, "top");
        EXPECT_NEAR(trace.levels.bottom, row.bottom, 1e-12);
    }
}

TEST(OptimizedLevels, FlatFrameGivesNotANumber) {
    for (const double price : {5.0, 0.0, -3.0}) {
        const FrameLevels levels = ComputeOptimizedLevels(price, price);
        EXPECT_TRUE(std::isnan(levels.top)) << price;
        EXPECT_TRUE(std::isnan(levels.bottom)) << price;
    }
}

// For positive frames: the first frame is the Accelerated frame wherever the
// two tolerances agree on the power of two, and the refit never narrows it.
TEST(OptimizedLevels, FirstFrameAndRefitOverRandomFrames) {
    test::RandomFrames frames(0x5eed0005, 0.001, 250000);
    int refits = 0;
    for (int i = 0; i < test::kRandomFrameCount; ++i) {
        const auto [high, low] = frames.Next();
        const auto trace = TraceOptimizedLevels(high, low);
        const FrameLevels& levels = trace.levels;
        ASSERT_GT(levels.top, levels.bottom) << high << " / " << low;
        const double firstSpan = trace.first.top - trace.first.bottom;
        const double span = levels.top - levels.bottom;
        ASSERT_GE(span, firstSpan * (1 - 1e-12)) << high << " / " << low;
        refits += trace.refitted;

        const double exponent = std::log2((high - low) / trace.unit);
        const double halfSpans = (high + low) / 2 / (firstSpan / 2);
        const bool nearPowerBoundary = std::fabs(exponent - std::round(exponent)) < 1e-4;
        const bool nearHalfway = std::fabs(halfSpans - std::floor(halfSpans) - 0.5) < 1e-6;
        if (!nearPowerBoundary && !nearHalfway) {
            const FrameLevels accelerated = ComputeAcceleratedLevels(high, low);
            ASSERT_NEAR(trace.first.top, accelerated.top, 1e-12 * accelerated.top) << high << " / " << low;
            ASSERT_NEAR(trace.first.bottom, accelerated.bottom, 1e-12 * accelerated.top) << high << " / " << low;
        }
    }
    EXPECT_GT(refits, test::kRandomFrameCount / 10);  // the refit path is exercised
}

// Frames straddling zero: the refit never narrows the frame, and where the
// mirrored frame reaches m >= 4 the doubled frame, widened by a quarter span
// on each side, holds both prices. (With m = 3 the refit may give the same
// frame again, as for positive frames.)
TEST(OptimizedLevels, StraddlingFramesOverRandomFrames) {
    std::mt19937_64 engine(0x5eed0006);
    std::uniform_real_distribution<double> logRange(std::log(0.001), std::log(250000.0));
    std::uniform_real_distribution<double> share(0.001, 0.999);
    int widened = 0;
    for (int i = 0; i < test::kRandomFrameCount; ++i) {
        const double range = std::exp(logRange(engine));
        const double high = static_cast<float>(range * share(engine));
        const double low = static_cast<float>(high - range);
        const auto trace = TraceOptimizedLevels(high, low);
        const FrameLevels& levels = trace.levels;
        const double span = levels.top - levels.bottom;
        ASSERT_GE(span, (trace.first.top - trace.first.bottom) * (1 - 1e-12)) << high << " / " << low;
        if (!trace.refitted || trace.power < 4) {
            continue;
        }
        ++widened;
        ASSERT_GE(levels.top + span / 4, high) << high << " / " << low;
        ASSERT_LE(levels.bottom - span / 4, low) << high << " / " << low;
    }
    EXPECT_GT(widened, test::kRandomFrameCount / 10);  // the widening refit is exercised
}

}  // namespace
}  // namespace kovra::levels
