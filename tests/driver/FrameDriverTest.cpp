// The per-bar driver through the real library: which bars get levels, from
// which window, into which series, and when the frame restarts, rolls and draws.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "levels/LevelLines.h"
#include "tests/driver/DriverHarness.h"

using namespace kovra::layout;

namespace kovra::testing {
namespace {

using levels::LevelAlgorithm;

struct SizeRow {
    FrameSizeIndex size;
    InclusionIndex inclusion;
    int32_t bars;  // frame size and first bar with levels
};

TEST(FrameDriver, FirstBarWithLevelsIsTheFrameSizeAndTheFrameRestartsThere) {
    for (const SizeRow row : {SizeRow{kSize16, kInclusion0, 16}, SizeRow{kSize16, kInclusion50, 24},
                              SizeRow{kSize4, kInclusion100, 8}, SizeRow{kSize8, kInclusion50, 12}}) {
        SCOPED_TRACE(row.bars);
        DriverHarness h;
        const std::vector<Bar> bars = RandomWalk(row.bars + 5, 7);
        h.Append(bars);
        h.SetInput(kInputFrameSize, row.size);
        h.SetInput(kInputPriorFrameInclusion, row.inclusion);
        h.Run(0, row.bars - 1);
        for (int32_t bar = 0; bar < row.bars; ++bar) {
            EXPECT_EQ(h.Value(kSubgraphUpperExtreme, bar), bars[static_cast<size_t>(bar)].high);
            EXPECT_EQ(h.Value(kSubgraphLowerExtreme, bar), bars[static_cast<size_t>(bar)].low);
            for (int32_t level = 0; level < kLevelCount; ++level) EXPECT_TRUE(std::isnan(h.Value(level, bar)));
        }
        EXPECT_EQ(h.FrameStart(), 0);
        EXPECT_EQ(h.FrameEnd(), row.bars);
        EXPECT_EQ(h.LastDrawn(), -1);
        h.Run(row.bars, row.bars);
        EXPECT_FALSE(std::isnan(h.Value(kSubgraphTop, row.bars)));
        EXPECT_EQ(h.FrameStart(), row.bars);
        EXPECT_EQ(h.FrameEnd(), 2 * row.bars);
        EXPECT_EQ(h.LastDrawn(), row.bars);
    }
}

struct AlgorithmRow {
    AlgorithmIndex index;
    LevelAlgorithm routine;
};

// Every computed bar holds the chosen routine's levels for the window of the
// last frame-size bars, with either kind of extremes.
TEST(FrameDriver, LevelsAreTheRoutinesOverTheLastFrameSizeBars) {
    const std::vector<Bar> bars = RandomWalk(200, 11);
    for (const AlgorithmRow row :
         {AlgorithmRow{kNormalized, LevelAlgorithm::Normalized}, AlgorithmRow{kOptimized, LevelAlgorithm::Optimized},
          AlgorithmRow{kAccelerated, LevelAlgorithm::Accelerated}}) {
        for (const ExtremesIndex extremes : {kHighLow, kOpenClose}) {
            SCOPED_TRACE(::testing::Message() << "algorithm " << row.index << " extremes " << extremes);
            DriverHarness h;
            h.Append(bars);
            h.SetInput(kInputFrameAlgorithm, row.index);
            h.SetInput(kInputPriceExtremes, extremes);
            h.SetInput(kInputPriorFrameInclusion, kInclusion50);  // 24 bars
            h.RunAll();
            for (int32_t bar = 24; bar < 200; ++bar) {
                const ExpectedLevels expected = RoutineOnWindow(row.routine, bars, bar - 23, bar, extremes == kHighLow);
                const auto lines = levels::ComputeLevelLines(expected.top, expected.bottom);
                ASSERT_EQ(h.Value(kSubgraphTop, bar), lines[2]) << bar;
                ASSERT_EQ(h.Value(kSubgraphBottom, bar), lines[10]) << bar;
            }
        }
    }
}

// The worked frame 156.30 / 151.05 (top 154.6875, bottom 151.5625): the
// thirteen lines are exact eighths of the 3.125 span in 32-bit floats.
TEST(FrameDriver, WritesTheThirteenLinesAndTheDrawStyleWithFrameHistory) {
    const float kLines[kLevelCount] = {155.46875f,  155.078125f, 154.6875f,   154.296875f, 153.90625f,
                                       153.515625f, 153.125f,    152.734375f, 152.34375f,  151.953125f,
                                       151.5625f,   151.171875f, 150.78125f};
    for (const bool history : {true, false}) {
        SCOPED_TRACE(history);
        DriverHarness h;
        h.Append({{153, 170, 140, 154},
                  {153, 156.30f, 152, 154},
                  {153, 154, 151.05f, 152},
                  {152, 153, 152, 152},
                  {153, 154, 152, 153}});  // bar 4's window is bars 1..4
        h.SetInput(kInputFrameSize, kSize4);
        h.SetInput(kInputFrameAlgorithm, kAccelerated);
        h.SetInput(kInputShowFrameHistory, history ? 1 : 0);
        h.RunAll();
        EXPECT_EQ(h.subgraph(kSubgraphTop).DrawStyle, history ? 0 : 5);
        EXPECT_EQ(h.subgraph(kSubgraphBottom).DrawStyle, history ? 0 : 5);
        for (int32_t level = 0; level < kLevelCount; ++level) {
            const bool written = history || level == kSubgraphTop || level == kSubgraphBottom;
            if (written)
                EXPECT_EQ(h.Value(level, 4), kLines[level]) << level;
            else
                EXPECT_TRUE(std::isnan(h.Value(level, 4))) << level;
        }
    }
}

// "HL" takes high and low even when open or close lie outside them; "OC"
// the larger and smaller of open and close, equal for a doji.
TEST(FrameDriver, RecordsEachBarsExtremesByThePriceExtremesText) {
    const std::vector<Bar> bars = {{105, 103, 98, 97}, {99, 104, 96, 101}, {100, 102, 99, 100}};
    const float kUpper[2][3] = {{103, 104, 102}, {105, 101, 100}};
    const float kLower[2][3] = {{98, 96, 99}, {97, 99, 100}};
    for (const ExtremesIndex extremes : {kHighLow, kOpenClose}) {
        DriverHarness h;
        h.Append(bars);
        h.SetInput(kInputPriceExtremes, extremes);
        h.RunAll();
        for (int32_t bar = 0; bar < 3; ++bar) {
            EXPECT_EQ(h.Value(kSubgraphUpperExtreme, bar), kUpper[extremes][bar]) << extremes << " " << bar;
            EXPECT_EQ(h.Value(kSubgraphLowerExtreme, bar), kLower[extremes][bar]) << extremes << " " << bar;
        }
    }
}

// "Legacy", a text that names no routine and no text at all compute like
// "Accelerated".
TEST(FrameDriver, LegacyAndUnknownTextsGiveTheAcceleratedLevels) {
    const std::vector<Bar> bars = RandomWalk(120, 5, 2400.0f);
    auto run = [&bars](AlgorithmIndex index, const char* overrideText, bool useOverride) {
        DriverHarness h;
        h.Append(bars);
        h.SetInput(kInputFrameAlgorithm, index);
        if (useOverride) h.study->inputs()[kInputFrameAlgorithm].SelectedText = overrideText;
        h.RunAll();
        std::vector<float> values;
        for (int32_t bar = 16; bar < 120; ++bar) {
            values.push_back(h.Value(kSubgraphTop, bar));
            values.push_back(h.Value(kSubgraphBottom, bar));
        }
        return values;
    };
    const std::vector<float> accelerated = run(kAccelerated, nullptr, false);
    EXPECT_NE(accelerated, run(kOptimized, nullptr, false));  // the comparison can tell routines apart
    EXPECT_EQ(run(kLegacy, nullptr, false), accelerated);
    EXPECT_EQ(run(kOptimized, "accelerated", true), accelerated);
    EXPECT_EQ(run(kOptimized, nullptr, true), accelerated);
}

// Levels 101/99 for bars 0..11, then 201/199: the frame restarts where the
// window's levels change and rolls by one frame size when passed.
TEST(FrameDriver, RestartsOnALevelChangeAndRollsWhenPassed) {
    DriverHarness h;
    for (int32_t bar = 0; bar < 50; ++bar) {
        const float mid = bar < 12 ? 100.0f : 200.0f;
        h.Append({{mid, mid + 1, mid - 1, mid}});
    }
    h.SetInput(kInputFrameSize, kSize4);
    struct Step {
        int32_t bar, start, end, lastDrawn;
    };
    const Step kSteps[] = {
        {3, 0, 4, -1},    {4, 4, 8, 4},     {8, 4, 8, 8},
        {9, 4, 12, 9},    {11, 4, 12, 11},  {12, 12, 16, 12},  // window 9..12 mixes both levels
        {14, 12, 16, 14}, {15, 15, 19, 15},                    // window 12..15 holds only the new levels
        {19, 15, 19, 19}, {20, 15, 23, 20},
    };
    int32_t next = 0;
    for (const Step& step : kSteps) {
        h.Run(next, step.bar);
        next = step.bar + 1;
        EXPECT_EQ(h.FrameStart(), step.start) << step.bar;
        EXPECT_EQ(h.FrameEnd(), step.end) << step.bar;
        EXPECT_EQ(h.LastDrawn(), step.lastDrawn) << step.bar;
    }

    // A call far past the frame end rolls it once. The series still hold the
    // first run's values, so after the restart at bar 0 the jump to bar 40
    // finds the levels of bar 39 unchanged.
    h.Run(21, 49);
    h.Run(0, 0);
    h.Run(40, 40);
    EXPECT_EQ(h.FrameStart(), 0);
    EXPECT_EQ(h.FrameEnd(), 8);
    EXPECT_EQ(h.LastDrawn(), 40);
}

TEST(FrameDriver, DrawsOnceForTheLastBarUntilTheFrameChanges) {
    DriverHarness h;
    h.Append(RandomWalk(24, 3));
    const Bar same{100, 101, 99, 100};  // from bar 24 on the windows, and so the levels, stay the same
    for (int32_t bar = 24; bar < 30; ++bar) h.Append({same});
    h.SetInput(kInputFrameSize, kSize4);
    h.RunAll();
    EXPECT_EQ(h.Passes(), 1);
    h.Run(29, 29);  // the last bar updates, its levels unchanged
    EXPECT_EQ(h.Passes(), 1);
    h.Append({same});
    h.Run(30, 30);  // a new last bar draws once
    h.Run(30, 30);
    EXPECT_EQ(h.Passes(), 2);
    h.chart.bars.high[30] = 400.0f;  // the update moves the frame
    h.Run(30, 30);
    EXPECT_EQ(h.Passes(), 3);
    EXPECT_EQ(h.FrameStart(), 30);

    h.record().HoldChartUpdates = 1;
    h.chart.bars.low[30] = 1.0f;
    h.Run(30, 30);
    EXPECT_EQ(h.Passes(), 3);
    EXPECT_EQ(h.LastDrawn(), -1);
}

// With "OC" the last bar's upper extreme follows its close. An update that
// moves the levels restarts the frame and draws it; one that brings them back
// to the previous bar's changes no frame, yet the picture must follow the
// series back. The frame start the passing change set stays.
TEST(FrameDriver, ThePictureFollowsTheLastBarsLevelsBackAfterAPassingChange) {
    DriverHarness h;
    for (int32_t bar = 0; bar < 8; ++bar) h.Append({{99.5f, 101, 99, 100.5f}});
    h.SetInput(kInputFrameSize, kSize4);
    h.SetInput(kInputPriceExtremes, kOpenClose);
    h.RunAll();
    const auto drawnLevels = [&h] {
        const std::vector<const host::StoredDrawing*> drawings = h.chart.drawings.DrawingsOf(1);
        const auto price = [&](int32_t id) {
            for (const host::StoredDrawing* d : drawings)
                if (d->request().DrawingId == id) return d->request().FirstPrice;
            return std::numeric_limits<float>::quiet_NaN();
        };
        return std::pair{price(1808), price(1800)};  // the grid's 8/8th and 0/8th lines
    };
    const std::pair<float, float> before{h.Value(kSubgraphTop, 7), h.Value(kSubgraphBottom, 7)};
    EXPECT_EQ(drawnLevels(), before);
    EXPECT_EQ(h.Passes(), 1);

    h.chart.bars.close[7] = h.chart.bars.high[7] = 125.0f;
    h.Run(7, 7);
    EXPECT_NE(h.Value(kSubgraphTop, 7), before.first);
    EXPECT_EQ(h.Passes(), 2);
    EXPECT_EQ(drawnLevels(), std::pair(h.Value(kSubgraphTop, 7), h.Value(kSubgraphBottom, 7)));

    h.chart.bars.close[7] = 100.5f;
    h.Run(7, 7);
    EXPECT_EQ(std::pair(h.Value(kSubgraphTop, 7), h.Value(kSubgraphBottom, 7)), before);
    EXPECT_EQ(h.Passes(), 3);
    EXPECT_EQ(drawnLevels(), before);
    EXPECT_EQ(h.FrameStart(), 7);
    EXPECT_EQ(h.FrameEnd(), 11);
    EXPECT_EQ(h.LastDrawn(), 7);

    h.Run(7, 7);  // nothing moved: no further pass
    EXPECT_EQ(h.Passes(), 3);
}

TEST(FrameDriver, ShowGridNoDrawsNothingButLastDrawnFollowsTheBars) {
    DriverHarness h;
    h.Append(RandomWalk(40, 9));
    h.SetInput(kInputFrameSize, kSize8);
    h.SetInput(kInputShowGrid, 0);
    for (int32_t bar = 8; bar < 40; ++bar) {
        h.Run(bar == 8 ? 0 : bar, bar);
        EXPECT_EQ(h.LastDrawn(), bar);
    }
    EXPECT_EQ(h.Passes(), 0);
}

}  // namespace
}  // namespace kovra::testing
