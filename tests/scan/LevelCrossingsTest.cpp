// Crossings of the level lines by the close, on bars whose levels the test
// chooses (eighths one apart: levels A run from 98 to 110, levels B from 106
// to 118).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/outputs/LevelCrossings.h"
#include "tests/scan/ScriptedLevels.h"

namespace {

using kovra::host::AllCrossings;
using kovra::host::DirectionText;
using kovra::host::LevelCrossing;
using kovra::testing::RunScriptedLevels;
using kovra::testing::ScriptedBar;

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

ScriptedBar A(float close) { return {close, 108, 100}; }
ScriptedBar B(float close) { return {close, 116, 108}; }
ScriptedBar Without(float close) { return {close, kNone, kNone}; }

const std::vector<ScriptedBar> kBars = {
    Without(100.5),  // 0
    A(101),          // 1: reaches 1/8th, but bar 0 has no levels
    A(101),          // 2: stays on the line
    A(100.5),        // 3: leaves the line downwards
    A(104.5),        // 4: a gap up over four lines
    A(99),           // 5: a gap down over five lines, landing on -1/8th
    A(98.75),        // 6: leaves -1/8th downwards
    A(99),           // 7: reaches -1/8th from below
    A(100.5),        // 8: leaves it upwards, so crosses only 0/8th
    B(108.5),        // 9: new levels; their lines between the closes count
    B(120),          // 10: above the +2/8th line
    Without(110),    // 11
    B(100),          // 12: the previous bar has no levels
};

struct Expected {
    int32_t bar;
    std::string line;
    float price;
    std::string direction;
};

std::vector<Expected> Seen(const std::vector<LevelCrossing>& crossings) {
    std::vector<Expected> seen;
    for (const LevelCrossing& c : crossings) {
        EXPECT_EQ(c.closeBefore, kBars[static_cast<size_t>(c.bar - 1)].close) << "bar " << c.bar;
        EXPECT_EQ(c.closeAfter, kBars[static_cast<size_t>(c.bar)].close) << "bar " << c.bar;
        seen.push_back({c.bar, std::string(c.line.name), c.line.price, std::string(DirectionText(c.direction))});
    }
    return seen;
}

void ExpectCrossings(const std::vector<Expected>& seen, const std::vector<Expected>& expected) {
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].bar, expected[i].bar) << "crossing " << i;
        EXPECT_EQ(seen[i].line, expected[i].line) << "crossing " << i;
        EXPECT_EQ(seen[i].price, expected[i].price) << "crossing " << i;
        EXPECT_EQ(seen[i].direction, expected[i].direction) << "crossing " << i;
    }
}

TEST(LevelCrossings, EveryLineBetweenTheClosesInTheOrderOfTheMove) {
    const auto session = RunScriptedLevels(kBars);
    ExpectCrossings(
        Seen(AllCrossings(session->study())),
        {
            {3, "1/8th", 101, "down"}, {4, "1/8th", 101, "up"},   {4, "2/8th", 102, "up"},   {4, "3/8th", 103, "up"},
            {4, "4/8th", 104, "up"},   {5, "4/8th", 104, "down"}, {5, "3/8th", 103, "down"}, {5, "2/8th", 102, "down"},
            {5, "1/8th", 101, "down"}, {5, "0/8th", 100, "down"}, {6, "-1/8th", 99, "down"}, {7, "-1/8th", 99, "up"},
            {8, "0/8th", 100, "up"},   {9, "-2/8th", 106, "up"},  {9, "-1/8th", 107, "up"},  {9, "0/8th", 108, "up"},
            {10, "1/8th", 109, "up"},  {10, "2/8th", 110, "up"},  {10, "3/8th", 111, "up"},  {10, "4/8th", 112, "up"},
            {10, "5/8th", 113, "up"},  {10, "6/8th", 114, "up"},  {10, "7/8th", 115, "up"},  {10, "8/8th", 116, "up"},
            {10, "+1/8th", 117, "up"}, {10, "+2/8th", 118, "up"},
        });
}

TEST(LevelCrossings, WithoutFrameHistoryOnlyTheLinesTheSeriesHold) {
    const auto session = RunScriptedLevels(kBars, /*history=*/false);
    ExpectCrossings(Seen(AllCrossings(session->study())), {
                                                              {5, "0/8th", 100, "down"},
                                                              {8, "0/8th", 100, "up"},
                                                              {9, "0/8th", 108, "up"},
                                                              {10, "8/8th", 116, "up"},
                                                          });
}

TEST(LevelCrossings, CsvRowsNameBarTimeLinePriceDirectionAndCloses) {
    const auto session = RunScriptedLevels({Without(100), A(100.5), A(102.25)});
    EXPECT_EQ(kovra::host::FormatCrossingsCsv(session->study()),
              "bar,datetime,line,price,direction,close before,close after\n"
              "2,2024-01-02 09:32:00,1/8th,101,up,100.5,102.25\n"
              "2,2024-01-02 09:32:00,2/8th,102,up,100.5,102.25\n");
}

}  // namespace
