// A scan row's place of the close in its frame, on bars whose levels the test
// chooses: the 0/8th at 100 and the 8/8th at 108, so line k/8th is at 100 + k
// and the -2/8th .. +2/8th lines run from 98 to 110.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "host/scan/ScanRow.h"
#include "tests/scan/ScriptedLevels.h"

namespace {

using kovra::host::NeighbourLine;
using kovra::host::RowOfChart;
using kovra::host::ScanRow;
using kovra::testing::RunScriptedLevels;
using kovra::testing::ScriptedBar;

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
constexpr int64_t kMinute = int64_t{60} * 1000000;
constexpr int64_t kFirstBar = int64_t{45293} * 86400 * 1000000 + int64_t{34200} * 1000000;  // 2024-01-02 09:30

ScriptedBar A(float close) { return {close, 108, 100}; }

ScanRow RowAfter(const std::vector<ScriptedBar>& bars, bool history = true) {
    const auto session = RunScriptedLevels(bars, history);
    return RowOfChart(session->study(), "TEST", "TEST.csv");
}

struct Line {
    std::string name;
    float price;
    double distance;
};

void ExpectLine(const std::optional<NeighbourLine>& actual, const std::optional<Line>& expected, const char* side,
                float close) {
    ASSERT_EQ(actual.has_value(), expected.has_value()) << side;
    if (!expected) return;
    EXPECT_EQ(actual->name, expected->name) << side;
    EXPECT_EQ(actual->price, expected->price) << side;
    EXPECT_EQ(actual->distance, expected->distance) << side;
    EXPECT_EQ(actual->percent, expected->distance / close * 100) << side;
}

TEST(ScanRow, PlacesTheCloseAmongTheLines) {
    struct Case {
        float close;
        double eighths;
        std::string nearest;
        std::optional<Line> above, below;
    };
    const Case cases[] = {
        {106.25, 6.25, "6/8th", Line{"7/8th", 107, 0.75}, Line{"6/8th", 106, 0.25}},
        {106, 6, "6/8th", Line{"7/8th", 107, 1}, Line{"5/8th", 105, 1}},          // on a line: neighbours beyond it
        {106.5, 6.5, "7/8th", Line{"7/8th", 107, 0.5}, Line{"6/8th", 106, 0.5}},  // a tie: the higher line
        {100.125, 0.125, "0/8th", Line{"1/8th", 101, 0.875}, Line{"0/8th", 100, 0.125}},
        {111, 11, "+2/8th", std::nullopt, Line{"+2/8th", 110, 1}},      // above the frame's lines
        {97.5, -2.5, "-2/8th", Line{"-2/8th", 98, 0.5}, std::nullopt},  // below them
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.close);
        const ScanRow row = RowAfter({A(103), A(c.close)});
        ASSERT_TRUE(row.frame);
        EXPECT_EQ(row.close, c.close);
        EXPECT_EQ(row.frame->top, 108);
        EXPECT_EQ(row.frame->bottom, 100);
        EXPECT_EQ(row.frame->eighths, c.eighths);
        EXPECT_EQ(row.frame->nearest, c.nearest);
        ExpectLine(row.frame->above, c.above, "above", c.close);
        ExpectLine(row.frame->below, c.below, "below", c.close);
    }
}

TEST(ScanRow, WithoutFrameHistoryTheNeighboursAreThe8And0Lines) {
    const ScanRow row = RowAfter({A(103), A(106.25)}, /*history=*/false);
    ASSERT_TRUE(row.frame);
    EXPECT_EQ(row.frame->eighths, 6.25);
    EXPECT_EQ(row.frame->nearest, "8/8th");
    ExpectLine(row.frame->above, Line{"8/8th", 108, 1.75}, "above", 106.25);
    ExpectLine(row.frame->below, Line{"0/8th", 100, 6.25}, "below", 106.25);
}

TEST(ScanRow, FrameTimesAndBarsSinceTheLevelsChanged) {
    // Levels from bar 1; the frame ends ten bars after they last changed.
    std::vector<ScriptedBar> bars = {{103, kNone, kNone}, A(103), A(103), A(103)};
    ScanRow row = RowAfter(bars);
    ASSERT_TRUE(row.frame);
    EXPECT_EQ(row.bars, 4);
    EXPECT_EQ(row.lastDateTime, kFirstBar + 3 * kMinute);
    EXPECT_EQ(row.frame->startBar, 1);
    EXPECT_EQ(row.frame->startDateTime, kFirstBar + kMinute);
    EXPECT_EQ(row.frame->barsSinceChange, 2);
    EXPECT_EQ(row.frame->endBar, 11);
    EXPECT_FALSE(row.frame->endDateTime) << "the end bar is still to come";

    bars.resize(13, A(103));
    row = RowAfter(bars);
    ASSERT_TRUE(row.frame);
    EXPECT_EQ(row.frame->endDateTime, kFirstBar + 11 * kMinute);
    EXPECT_EQ(row.frame->barsSinceChange, 11);
}

TEST(ScanRow, LastBarCrossingsAndNoFrameWithoutLevels) {
    ScanRow row = RowAfter({A(100.5), A(104.5)});
    ASSERT_TRUE(row.frame && row.frame->crossed);
    EXPECT_EQ(kovra::host::CrossedText(*row.frame->crossed), "up 1/8th 2/8th 3/8th 4/8th");

    row = RowAfter({A(104.5), A(104.75)});
    ASSERT_TRUE(row.frame);
    EXPECT_FALSE(row.frame->crossed);

    row = RowAfter({A(104.5), {104.75, kNone, kNone}});
    EXPECT_FALSE(row.frame) << "the last bar has no levels";
    EXPECT_EQ(row.close, 104.75f);
}

}  // namespace
