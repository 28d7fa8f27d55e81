// Bars the routines give no levels for: no frame size, a flat window,
// not-a-number or infinite prices. Such a bar repeats the previous bar's
// levels (none when that bar has none), keeps the frame and draws nothing new.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/driver/DriverHarness.h"

using namespace kovra::layout;

namespace kovra::testing {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

bool HasNoLevels(const DriverHarness& h, int32_t bar) {
    for (int32_t level = 0; level < kLevelCount; ++level)
        if (!std::isnan(h.Value(level, bar))) return false;
    return true;
}

void ExpectSameLevels(const DriverHarness& h, int32_t bar, int32_t source) {
    for (int32_t level = 0; level < kLevelCount; ++level)
        EXPECT_EQ(h.Value(level, bar), h.Value(level, source)) << "level " << level << " bar " << bar;
}

// Without a "Frame Size" text the frame size is 0: every bar reaches the
// window, which is empty.
TEST(MendedBars, NoFrameSizeTextWritesNoLevelsAndDrawsNothing) {
    DriverHarness h;
    h.Append(RandomWalk(30, 1));
    h.SetInput(kInputFrameSize, 99);  // no such item: no text
    ASSERT_EQ(h.study->inputs()[kInputFrameSize].SelectedText, nullptr);
    h.RunAll();
    for (int32_t bar = 0; bar < 30; ++bar) EXPECT_TRUE(HasNoLevels(h, bar)) << bar;
    EXPECT_EQ(h.FrameStart(), 0);
    EXPECT_EQ(h.Passes(), 0);
    EXPECT_EQ(h.LastDrawn(), 29);
}

// With "OC", bars whose open equals their close at one price make a flat window.
TEST(MendedBars, AFlatWindowRepeatsThePreviousLevelsAndKeepsTheFrame) {
    DriverHarness h;
    h.Append(RandomWalk(20, 2));
    for (int32_t bar = 20; bar < 40; ++bar) h.Append({{90, 95, 85, 90}});
    h.SetInput(kInputFrameSize, kSize4);
    h.SetInput(kInputPriceExtremes, kOpenClose);
    h.Run(0, 22);  // window 19..22 still holds a random bar
    const int32_t start = h.FrameStart();
    h.Run(23, 39);
    for (int32_t bar = 23; bar < 40; ++bar) ExpectSameLevels(h, bar, 22);
    EXPECT_FALSE(HasNoLevels(h, 39));
    EXPECT_EQ(h.FrameStart(), start);
    EXPECT_EQ(h.Passes(), 1);  // the last bar draws the frame it carries
}

TEST(MendedBars, AFlatChartHasNoLevelsAndNoFrameRestart) {
    DriverHarness h;
    for (int32_t bar = 0; bar < 20; ++bar) h.Append({{90, 95, 85, 90}});
    h.SetInput(kInputFrameSize, kSize4);
    h.SetInput(kInputPriceExtremes, kOpenClose);
    h.RunAll();
    for (int32_t bar = 0; bar < 20; ++bar) EXPECT_TRUE(HasNoLevels(h, bar)) << bar;
    EXPECT_EQ(h.FrameStart(), 0);
    EXPECT_EQ(h.Passes(), 0);
}

// Not-a-number prices are skipped; a window left without a number on either
// side, holding an infinity, or so wide that its lines overflow, repeats the
// previous levels.
TEST(MendedBars, NotANumberAndInfinitePricesNeverReachTheSeries) {
    struct Row {
        const char* what;
        Bar bad;                            // bars 20..29
        int32_t firstCarried, lastCarried;  // the bars that repeat bar firstCarried - 1
    };
    const Row kRows[] = {
        {"NaN bar", {kNaN, kNaN, kNaN, kNaN}, 23, 29},  // windows 20..23 to 26..29 hold no number
        {"NaN low only", {100, 101, kNaN, 100}, 23, 29},
        {"infinite high", {100, kInfinity, 99, 100}, 20, 32},  // every window holding bar 20..29
        // Finite prices whose frame's extension lines would leave the float range.
        {"frame spanning the float range", {0, 3e38f, -3e38f, 0}, 20, 32},
    };
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        DriverHarness h;
        std::vector<Bar> bars = RandomWalk(40, 4);
        for (int32_t bar = 20; bar < 30; ++bar) bars[static_cast<size_t>(bar)] = row.bad;
        h.Append(bars);
        h.SetInput(kInputFrameSize, kSize4);
        h.RunAll();
        for (int32_t bar = 17; bar < 36; ++bar) {
            if (bar >= row.firstCarried && bar <= row.lastCarried) {
                ExpectSameLevels(h, bar, row.firstCarried - 1);
                continue;
            }
            const ExpectedLevels expected =
                RoutineOnWindow(levels::LevelAlgorithm::Optimized, bars, bar - 3, bar, true);
            EXPECT_EQ(h.Value(kSubgraphTop, bar), expected.top) << bar;
        }
        for (int32_t bar = 4; bar < 40; ++bar) EXPECT_TRUE(std::isfinite(h.Value(kSubgraphTop, bar))) << bar;
    }
}

}  // namespace
}  // namespace kovra::testing
