// The price scale's round numbers and the time axis's labels.
#include <gtest/gtest.h>

#include <cmath>

#include "host/render/PriceTicks.h"
#include "host/render/TimeLabels.h"
#include "tests/render/RenderTestSupport.h"

namespace render_test {
namespace {

TEST(PriceTicks, ChoosesTheSmallestRoundStepThatKeepsTicksApart) {
    struct Row {
        double low, high, pixelsPerPrice, minPixels;
        double step;
        int32_t decimals;
        double first, last;
    };
    const Row rows[] = {
        {97.3, 104.1, 100, 36, 0.5, 1, 97.5, 104.0},  // wants 0.36
        {0, 1000, 0.5, 40, 100, 0, 0, 1000},          // wants 80
        {1.1, 1.2, 5000, 36, 0.01, 2, 1.1, 1.2},      // bounds that are ticks stay ticks
        {-5, 5, 10, 36, 5, 0, -5, 5},                 // wants 3.6
        {0, 10, 15, 36, 2.5, 1, 0, 10},               // wants 2.4
        {0.013, 0.019, 40000, 30, 0.001, 3, 0.013, 0.019},
        {12345, 12399, 1, 100, 100, 0, 0, 0},  // no multiple inside: no tick
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.low) + " .. " + std::to_string(row.high));
        const PriceTicks ticks = ChoosePriceTicks(row.low, row.high, row.pixelsPerPrice, row.minPixels);
        EXPECT_DOUBLE_EQ(ticks.step, row.step);
        EXPECT_EQ(ticks.decimals, row.decimals);
        if (row.first == 0 && row.last == 0 && row.low > 0) {
            EXPECT_TRUE(ticks.prices.empty());
            continue;
        }
        ASSERT_FALSE(ticks.prices.empty());
        EXPECT_NEAR(ticks.prices.front(), row.first, 1e-12);
        EXPECT_NEAR(ticks.prices.back(), row.last, 1e-12);
        EXPECT_EQ(ticks.prices.size(), static_cast<size_t>(std::lround((row.last - row.first) / row.step)) + 1);
    }
}

TEST(PriceTicks, NeverMoreThanAThousand) {
    const PriceTicks ticks = ChoosePriceTicks(0, 1e6, 1e3, 1e-6);
    EXPECT_LE(ticks.prices.size(), 1001u);
}

BarColumns MinuteBars(int64_t start, int32_t count, int64_t spacing) {
    BarColumns bars;
    for (int32_t i = 0; i < count; ++i) bars.Append(start + i * spacing, 1, 1, 1, 1);
    return bars;
}

TEST(TimeLabels, LabelsRoundTimesWithTheDateAtEachNewDay) {
    BarColumns bars = MinuteBars(kFirstBarTime, 390, kMinute);  // 9:30 .. 15:59 on 3/15
    const BarColumns nextDay = MinuteBars(kFirstBarTime + kMicrosecondsPerDay, 60, kMinute);
    for (int32_t i = 0; i < nextDay.size(); ++i) bars.Append(nextDay.dateTimes[static_cast<size_t>(i)], 1, 1, 1, 1);
    // 4 pixels a bar: 30 minutes is the first step at least 90 pixels wide.
    const std::vector<TimeLabel> labels = ChooseTimeLabels(bars, 0, 449, 4, 90);
    ASSERT_EQ(labels.size(), 13u + 2u);
    EXPECT_EQ(labels[0].bar, 0);
    EXPECT_EQ(labels[0].time, "9:30");
    EXPECT_EQ(labels[0].date, "3/15");
    EXPECT_EQ(labels[1].bar, 30);
    EXPECT_EQ(labels[1].time, "10:00");
    EXPECT_EQ(labels[1].date, "");
    EXPECT_EQ(labels[12].time, "15:30");
    // The overnight gap: the next day's first bar starts a step and a date.
    EXPECT_EQ(labels[13].bar, 390);
    EXPECT_EQ(labels[13].time, "9:30");
    EXPECT_EQ(labels[13].date, "3/16");
    EXPECT_EQ(labels[14].time, "10:00");
}

TEST(TimeLabels, ShortStepsShowSecondsAndCrowdedLabelsAreLeftOut) {
    const BarColumns seconds = MinuteBars(kFirstBarTime, 60, kMicrosecondsPerSecond);
    const std::vector<TimeLabel> labels = ChooseTimeLabels(seconds, 0, 59, 20, 90);  // 5 s = 100 px
    ASSERT_EQ(labels.size(), 12u);
    EXPECT_EQ(labels[1].time, "9:30:05");

    // A label a gap would put 1 bar after the one before is dropped.
    BarColumns gappy = MinuteBars(kFirstBarTime, 31, kMinute);                                      // 9:30 .. 10:00
    for (int32_t i = 0; i < 11; ++i) gappy.Append(kFirstBarTime + (60 + i) * kMinute, 1, 1, 1, 1);  // 10:30 ..
    const std::vector<TimeLabel> crowded = ChooseTimeLabels(gappy, 0, 41, 5, 90);  // 30 minutes = 150 px
    ASSERT_EQ(crowded.size(), 2u);
    EXPECT_EQ(crowded[0].time, "9:30");
    EXPECT_EQ(crowded[1].time, "10:00");
    // Bars beyond the chart get no label; a window starting mid-step labels its next round time.
    const std::vector<TimeLabel> later = ChooseTimeLabels(MinuteBars(kFirstBarTime, 100, kMinute), 10, 500, 4, 90);
    ASSERT_FALSE(later.empty());
    EXPECT_EQ(later.front().bar, 30);
    EXPECT_EQ(later.back().bar, 90);
}

}  // namespace
}  // namespace render_test
