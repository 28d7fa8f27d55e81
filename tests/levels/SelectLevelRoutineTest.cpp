#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeNormalizedLevels.h"
#include "levels/ComputeOptimizedLevels.h"
#include "levels/LevelLines.h"
#include "levels/SelectLevelRoutine.h"
#include "tests/levels/LevelTestSupport.h"

namespace kovra::levels {
namespace {

TEST(SelectLevelRoutine, ExactWholeTextChoosesTheRoutine) {
    const struct {
        const char* text;
        LevelAlgorithm algorithm;
    } rows[] = {
        {"Normalized", LevelAlgorithm::Normalized},   {"Optimized", LevelAlgorithm::Optimized},
        {"Accelerated", LevelAlgorithm::Accelerated}, {"Legacy", LevelAlgorithm::Accelerated},
        {"optimized", LevelAlgorithm::Accelerated},   {"Optimized ", LevelAlgorithm::Accelerated},
        {"Normal", LevelAlgorithm::Accelerated},      {"", LevelAlgorithm::Accelerated},
        {nullptr, LevelAlgorithm::Accelerated},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SelectLevelAlgorithm(row.text), row.algorithm) << (row.text ? row.text : "(null)");
    }
}

TEST(SelectLevelRoutine, EachTextGivesItsRoutinesLevelsOverRandomFrames) {
    test::RandomFrames frames(0x5eed0007, 0.001, 250000);
    for (int i = 0; i < test::kRandomFrameCount / 4; ++i) {
        const auto [high, low] = frames.Next();
        const FrameLevels legacy = ComputeLevels(SelectLevelAlgorithm("Legacy"), high, low);
        const FrameLevels accelerated = ComputeAcceleratedLevels(high, low);
        ASSERT_EQ(legacy.top, accelerated.top) << high << " / " << low;
        ASSERT_EQ(legacy.bottom, accelerated.bottom) << high << " / " << low;
        const FrameLevels optimized = ComputeLevels(SelectLevelAlgorithm("Optimized"), high, low);
        ASSERT_EQ(optimized.top, ComputeOptimizedLevels(high, low).top);
        const FrameLevels normalized = ComputeLevels(SelectLevelAlgorithm("Normalized"), high, low);
        const FrameLevels narrowed = ComputeNormalizedLevels(static_cast<float>(high), static_cast<float>(low));
        ASSERT_EQ(normalized.top, narrowed.top);
        ASSERT_EQ(normalized.bottom, narrowed.bottom);
    }
}

// Inputs far outside the routines' domain must not crash and, under the
// sanitizer build, must not reach undefined behaviour. Results there are
// either a finite frame or not-a-number, never a half-defined mixture.
TEST(SelectLevelRoutine, ExtremeInputsGiveAFrameOrNotANumber) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    const double prices[] = {kInf, 1e300,  3.4028235e38, 1e10,          1,     1e-30, 1e-45,
                             0,    -1e-30, -1,           -3.4028235e38, -kInf, kNan};
    for (const LevelAlgorithm algorithm :
         {LevelAlgorithm::Normalized, LevelAlgorithm::Optimized, LevelAlgorithm::Accelerated}) {
        for (const double high : prices) {
            for (const double low : prices) {
                const FrameLevels levels = ComputeLevels(algorithm, high, low);
                EXPECT_EQ(std::isnan(levels.top), std::isnan(levels.bottom))
                    << static_cast<int>(algorithm) << ": " << high << " / " << low << " -> " << levels.top << " / "
                    << levels.bottom;
            }
        }
    }
}

TEST(LevelLines, ThirteenLinesFromPlusTwoToMinusTwoEighths) {
    const auto lines = ComputeLevelLines(100, 87.5f);
    const float expected[kLevelLineCount] = {103.125f, 101.5625f, 100,      98.4375f, 96.875f,  95.3125f, 93.75f,
                                             92.1875f, 90.625f,   89.0625f, 87.5f,    85.9375f, 84.375f};
    for (int i = 0; i < kLevelLineCount; ++i) {
        EXPECT_EQ(lines[i], expected[i]) << kLevelLineNames[i];
    }
    EXPECT_EQ(kLevelLineNames[2], "8/8th");
    EXPECT_EQ(kLevelLineNames[10], "0/8th");
}

// The span is taken as a magnitude: the lines run down from the first price.
TEST(LevelLines, ReversedPricesStillRunDownFromTheFirst) {
    const auto lines = ComputeLevelLines(87.5f, 100);
    EXPECT_EQ(lines[0], 90.625f);
    EXPECT_EQ(lines[2], 87.5f);
    EXPECT_EQ(lines[12], 71.875f);
}

}  // namespace
}  // namespace kovra::levels
