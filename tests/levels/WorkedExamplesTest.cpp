// The worked examples of the level routines, each row checked with its
// intermediate values. Rows: the default routine's published examples, then
// the examples that compare all three routines.
#include <gtest/gtest.h>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeNormalizedLevels.h"
#include "levels/ComputeOptimizedLevels.h"
#include "levels/detail/AcceleratedTrace.h"
#include "levels/detail/NormalizedTrace.h"
#include "levels/detail/OptimizedTrace.h"
#include "tests/levels/LevelTestSupport.h"

namespace kovra::levels {
namespace {

using detail::TraceAcceleratedLevels;
using detail::TraceNormalizedLevels;
using detail::TraceOptimizedLevels;
using test::ExpectRelativelyNear;

struct AcceleratedExample {
    float high, low;
    double scale, unit;
    int power, centre;
    double top, bottom;
};

// Published examples of the default routine (exact dyadic values).
constexpr AcceleratedExample kAcceleratedExamples[] = {
    {1.2345f, 1.2000f, 1.5625, 0.0244140625, 0, 100, 1.23291015625, 1.20849609375},
    {4512.25f, 4488.50f, 10000, 19.53125, 0, 461, 4511.71875, 4492.1875},
    {156.30f, 151.05f, 100, 1.5625, 1, 98, 154.6875, 151.5625},
    {23.70f, 22.10f, 12.5, 1.5625, 0, 29, 23.4375, 21.875},
    {100.0f, 87.5f, 100, 1.5625, 3, 15, 100, 87.5},  // q is 1: divisor 8^2, n = 3, same frame
    {17250, 16980, 10000, 156.25, 0, 219, 17187.5, 17031.25},
};

TEST(WorkedExamples, AcceleratedRowsWithScaleUnitPowerAndCentre) {
    for (const AcceleratedExample& row : kAcceleratedExamples) {
        SCOPED_TRACE(testing::Message() << row.high << " / " << row.low);
        const auto trace = TraceAcceleratedLevels(row.high, row.low);
        ExpectRelativelyNear(trace.scale, row.scale, "P");
        ExpectRelativelyNear(trace.unit, row.unit, "U");
        EXPECT_EQ(trace.power, row.power);
        EXPECT_EQ(trace.centre, row.centre);
        const FrameLevels levels = ComputeAcceleratedLevels(row.high, row.low);
        ExpectRelativelyNear(levels.top, row.top, "top");
        ExpectRelativelyNear(levels.bottom, row.bottom, "bottom");
    }
}

enum class Overshoot { None, Low, High, Both };

struct ComparedExample {
    float high, low;
    double acceleratedTop, acceleratedBottom;
    double optimizedUnit;
    double optimizedPower;
    Overshoot overshoot;
    bool refitWithEightTimesUnit;
    double optimizedTop, optimizedBottom;
    float scale, step, base, firstTop;
    int acceptedTest;
    double normalizedTop, normalizedBottom;
};

// Published examples comparing the three routines (exact dyadic values).
constexpr ComparedExample kComparedExamples[] = {
    {1.2345f, 1.2000f, 1.23291015625, 1.20849609375, 0.0244140625, 0, Overshoot::Low, false, 1.2451171875, 1.1962890625,
     1.5625f, 0.048828125f, 1.171875f, 1.26953125f, 5, 1.2451171875, 1.1962890625},
    {1.10523f, 1.09870f, 1.104736328125, 1.0986328125, 0.0030517578125, 1, Overshoot::None, false, 1.104736328125,
     1.0986328125, 1.5625f, 0.01220703125f, 1.0986328125f, 1.11083984375f, 2, 1.104736328125, 1.0986328125},
    {4512.25f, 4488.50f, 4511.71875, 4492.1875, 19.53125, 0, Overshoot::None, false, 4511.71875, 4492.1875, 10000,
     39.0625f, 4453.125f, 4531.25f, 3, 4511.71875, 4492.1875},
    {156.30f, 151.05f, 154.6875, 151.5625, 1.5625, 1, Overshoot::High, false, 156.25, 150, 100, 6.25f, 150, 162.5f, 2,
     156.25, 150},
    {17250, 16980, 17187.5, 17031.25, 156.25, 0, Overshoot::Both, false, 17343.75, 17031.25, 10000, 312.5f, 16875,
     17500, 2, 17187.5, 16875},
    {112, 101, 109.375, 103.125, 1.5625, 2, Overshoot::Both, true, 112.5, 100, 100, 12.5f, 100, 112.5f, 0, 112.5, 100},
    {20.14f, 20.01f, 20.1171875, 20.01953125, 0.0244140625, 2, Overshoot::None, false, 20.1171875, 20.01953125, 12.5f,
     0.1953125f, 19.921875f, 20.3125f, 1, 20.1171875, 20.01953125},
    {20, 18.84f, 19.921875, 19.140625, 0.1953125, 2, Overshoot::Low, true, 20.3125, 18.75, 12.5f, 1.5625f, 18.75f,
     20.3125f, 0, 20.3125, 18.75},
    {20, 10, 18.75, 12.5, 1.5625, 2, Overshoot::Low, true, 18.75, 6.25, 12.5f, 12.5f, 0, 25, 4, 25, 12.5},
};

TEST(WorkedExamples, AcceleratedColumnOfTheComparison) {
    for (const ComparedExample& row : kComparedExamples) {
        SCOPED_TRACE(testing::Message() << row.high << " / " << row.low);
        const FrameLevels levels = ComputeAcceleratedLevels(row.high, row.low);
        ExpectRelativelyNear(levels.top, row.acceleratedTop, "top");
        ExpectRelativelyNear(levels.bottom, row.acceleratedBottom, "bottom");
    }
}

TEST(WorkedExamples, OptimizedFirstFrameOvershootAndRefit) {
    for (const ComparedExample& row : kComparedExamples) {
        SCOPED_TRACE(testing::Message() << row.high << " / " << row.low);
        const auto trace = TraceOptimizedLevels(row.high, row.low);
        ExpectRelativelyNear(trace.unit, row.optimizedUnit, "U");
        EXPECT_EQ(trace.power, row.optimizedPower);
        // The first frame of every row is the Accelerated frame.
        ExpectRelativelyNear(trace.first.top, row.acceleratedTop, "first top");
        ExpectRelativelyNear(trace.first.bottom, row.acceleratedBottom, "first bottom");
        const double margin = 0.25 * (trace.first.top - trace.first.bottom);
        const bool highOver = row.high - trace.first.top > margin;
        const bool lowOver = trace.first.bottom - row.low > margin;
        EXPECT_EQ(highOver, row.overshoot == Overshoot::High || row.overshoot == Overshoot::Both);
        EXPECT_EQ(lowOver, row.overshoot == Overshoot::Low || row.overshoot == Overshoot::Both);
        EXPECT_EQ(trace.refitted, row.overshoot != Overshoot::None);
        if (row.refitWithEightTimesUnit) {
            EXPECT_EQ(trace.refitPower, 0);
            ExpectRelativelyNear(trace.refitUnit, 8 * row.optimizedUnit, "U'");
        }
        const FrameLevels levels = ComputeOptimizedLevels(row.high, row.low);
        ExpectRelativelyNear(levels.top, row.optimizedTop, "top");
        ExpectRelativelyNear(levels.bottom, row.optimizedBottom, "bottom");
    }
}

TEST(WorkedExamples, NormalizedExactToTheBitWithScaleStepBaseAndTest) {
    for (const ComparedExample& row : kComparedExamples) {
        SCOPED_TRACE(testing::Message() << row.high << " / " << row.low);
        const auto trace = TraceNormalizedLevels(row.high, row.low);
        EXPECT_EQ(trace.scale, row.scale);
        EXPECT_EQ(trace.step, row.step);
        EXPECT_EQ(trace.base, row.base);
        EXPECT_EQ(trace.firstTop, row.firstTop);
        EXPECT_EQ(trace.acceptedTest, row.acceptedTest);
        const FrameLevels levels = ComputeNormalizedLevels(row.high, row.low);
        EXPECT_EQ(levels.top, row.normalizedTop);
        EXPECT_EQ(levels.bottom, row.normalizedBottom);
    }
}

}  // namespace
}  // namespace kovra::levels
