// The price scale's round numbers and the time axis's marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <span>

#include "host/render/PriceTicks.h"
#include "host/render/TimeMarks.h"
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

// Bars `spacing` apart from `start` on.
std::vector<int64_t> EvenBars(int64_t start, int32_t count, int64_t spacing) {
    std::vector<int64_t> dateTimes;
    for (int32_t i = 0; i < count; ++i) dateTimes.push_back(start + i * spacing);
    return dateTimes;
}

std::vector<int64_t> Joined(std::vector<int64_t> first, const std::vector<int64_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

int64_t Midnight(CivilDate date) { return DaysSince18991230(date) * kMicrosecondsPerDay; }

// One bar at 16:00 on each weekday from `from` to `to`, except on New Year's and Christmas Day.
std::vector<int64_t> DailyBars(CivilDate from, CivilDate to) {
    std::vector<int64_t> dateTimes;
    for (int64_t day = DaysSince18991230(from); day <= DaysSince18991230(to); ++day) {
        const CivilDate date = CivilFromMicroseconds(day * kMicrosecondsPerDay).date;
        const bool holiday = (date.month == 1 && date.day == 1) || (date.month == 12 && date.day == 25);
        if ((day - 2) % 7 < 5 && !holiday) dateTimes.push_back(day * kMicrosecondsPerDay + 16 * 60 * kMinute);
    }
    return dateTimes;
}

// 390 one-minute bars from 9:30 on each of `days`.
std::vector<int64_t> Sessions(std::initializer_list<CivilDate> days) {
    std::vector<int64_t> dateTimes;
    for (const CivilDate& day : days)
        dateTimes = Joined(dateTimes, EvenBars(Midnight(day) + 570 * kMinute, 390, kMinute));
    return dateTimes;
}

// "2023-12-01 Dec", "2024-03-15 9:30/Mar 15 2024": each mark's bar's date, its text and the line under it.
std::string Describe(std::span<const int64_t> dateTimes, const std::vector<TimeMark>& marks) {
    std::string text;
    for (const TimeMark& mark : marks) {
        const CivilDate date = CivilFromMicroseconds(dateTimes[static_cast<size_t>(mark.bar)]).date;
        char day[32];
        std::snprintf(day, sizeof day, "%04lld-%02d-%02d ", static_cast<long long>(date.year), date.month, date.day);
        text +=
            (text.empty() ? "" : ", ") + std::string(day) + mark.text + (mark.under.empty() ? "" : "/" + mark.under);
    }
    return text;
}

// The kind a text's shape tells: "9:30", "Nov 13", "Mar 15 2024", "Dec", "2007".
TimeTextKind KindOfText(const std::string& text) {
    if (text.empty()) return TimeTextKind::kNone;
    if (text.find(':') != std::string::npos) return TimeTextKind::kTimeOfDay;
    if (std::isdigit(static_cast<unsigned char>(text[0]))) return TimeTextKind::kYear;
    if (text.size() == 3) return TimeTextKind::kMonth;
    return std::count(text.begin(), text.end(), ' ') == 2 ? TimeTextKind::kDayAndYear : TimeTextKind::kDay;
}

TEST(TimeMarks, ChoosesStepsAndTextsAsATraderReadsThem) {
    constexpr double kMinPixels = kMinTimeMarkPixels;  // 90
    const std::vector<int64_t> weeks = DailyBars({2023, 11, 6}, {2024, 1, 12});
    const std::vector<int64_t> months = DailyBars({2022, 9, 1}, {2023, 6, 30});
    const std::vector<int64_t> decades = DailyBars({1995, 1, 2}, {2024, 12, 31});
    std::vector<int64_t> fridays;
    for (int64_t day = DaysSince18991230({2022, 1, 7}); day <= DaysSince18991230({2023, 12, 29}); day += 7) {
        fridays.push_back(day * kMicrosecondsPerDay + 16 * 60 * kMinute);
    }
    const std::vector<int64_t> minutes = EvenBars(kFirstBarTime, 100, kMinute);  // 9:30 .. 11:09 on Mar 15 2024
    // 9:30 .. 10:00, then 10:30 .. 12:30: 10:30 comes one bar after 10:00.
    const std::vector<int64_t> gappy =
        Joined(EvenBars(kFirstBarTime, 31, kMinute), EvenBars(kFirstBarTime + 60 * kMinute, 121, kMinute));
    const auto barAt = [](const std::vector<int64_t>& dateTimes, CivilDate date) {
        return static_cast<int32_t>(std::lower_bound(dateTimes.begin(), dateTimes.end(), Midnight(date)) -
                                    dateTimes.begin());
    };
    const int32_t midNovember = barAt(months, {2022, 11, 15}), yearStart2019 = barAt(decades, {2019, 1, 1});

    struct Row {
        const char* what;
        const std::vector<int64_t>& dateTimes;
        int32_t firstBar, lastBar;
        double pixelsPerBar;
        std::string marks;
    };
    const Row rows[] = {
        {"daily bars over days", weeks, 15, 22, 100,
         "2023-11-27 Nov 27/2023, 2023-11-28 Nov 28, 2023-11-29 Nov 29, 2023-11-30 Nov 30, 2023-12-01 Dec, "
         "2023-12-04 Dec 4, 2023-12-05 Dec 5, 2023-12-06 Dec 6"},
        // A week of 5 bars is 100 px; month and year starts outrank the week starts 4 bars from them.
        {"daily bars over weeks", weeks, 0, 1000, 20,
         "2023-11-06 Nov 6/2023, 2023-11-13 Nov 13, 2023-11-20 Nov 20, 2023-12-01 Dec, 2023-12-11 Dec 11, "
         "2023-12-18 Dec 18, 2024-01-02 2024"},
        // About 21 bars a month at 5 px; the chart's first bar starts the step.
        {"daily bars over months", months, 0, 1000, 5,
         "2022-09-01 Sep/2022, 2022-10-03 Oct, 2022-11-01 Nov, 2022-12-01 Dec, 2023-01-02 2023, 2023-02-01 Feb, "
         "2023-03-01 Mar, 2023-04-03 Apr, 2023-05-01 May, 2023-06-01 Jun"},
        // A window from mid-November: the first mark is the next month start, with its year.
        {"a window that starts mid-month", months, midNovember, 1000, 5,
         "2022-12-01 Dec/2022, 2023-01-02 2023, 2023-02-01 Feb, 2023-03-01 Mar, 2023-04-03 Apr, 2023-05-01 May, "
         "2023-06-01 Jun"},
        // A year is about 260 bars, 104 px; the window's first bar starts one.
        {"daily bars over years", decades, yearStart2019, 100000, 0.4,
         "2019-01-02 2019, 2020-01-02 2020, 2021-01-04 2021, 2022-01-03 2022, 2023-01-02 2023, 2024-01-02 2024"},
        // Five years are about 1300 bars, 130 px.
        {"daily bars over decades, 5 years", decades, 0, 100000, 0.1,
         "1995-01-02 1995, 2000-01-03 2000, 2005-01-03 2005, 2010-01-04 2010, 2015-01-02 2015, 2020-01-02 2020"},
        // Ten years are 130 px; the first bar, 65 px before 2000, gives way.
        {"daily bars over decades, 10 years", decades, 0, 100000, 0.05,
         "2000-01-03 2000, 2010-01-04 2010, 2020-01-02 2020"},
        // A quarter is 13 bars, 104 px.
        {"weekly bars", fridays, 0, 1000, 8,
         "2022-01-07 Jan/2022, 2022-04-01 Apr, 2022-07-01 Jul, 2022-10-07 Oct, 2023-01-06 2023, 2023-04-07 Apr, "
         "2023-07-07 Jul, 2023-10-06 Oct"},
        // Two hours are 120 px. A new day's first bar outranks the round time 30 bars after it;
        // the chart's first bar gives way to it.
        {"intraday across a day change", Sessions({{2024, 3, 14}, {2024, 3, 15}}), 0, 1000, 1,
         "2024-03-14 10:00/Mar 14 2024, 2024-03-14 12:00, 2024-03-14 14:00, 2024-03-15 9:30/Mar 15, 2024-03-15 12:00, "
         "2024-03-15 14:00"},
        {"intraday across a year change", Sessions({{2023, 12, 29}, {2024, 1, 2}}), 0, 1000, 1,
         "2023-12-29 10:00/Dec 29 2023, 2023-12-29 12:00, 2023-12-29 14:00, 2024-01-02 9:30/Jan 2 2024, "
         "2024-01-02 12:00, 2024-01-02 14:00"},
        // A session of 390 bars is 117 px: intraday bars with a day step show dates only.
        {"intraday bars over days", Sessions({{2024, 3, 11}, {2024, 3, 12}, {2024, 3, 13}, {2024, 3, 14}}), 0, 2000,
         0.3, "2024-03-11 Mar 11/2024, 2024-03-12 Mar 12, 2024-03-13 Mar 13, 2024-03-14 Mar 14"},
        // Two minutes are 100 px; 9:35 starts 5 minutes but is no 2-minute step, so it does not push 9:34 out.
        {"round times of the step only", minutes, 0, 11, 50,
         "2024-03-15 9:30/Mar 15 2024, 2024-03-15 9:32, 2024-03-15 9:34, 2024-03-15 9:36, 2024-03-15 9:38, "
         "2024-03-15 9:40"},
        // Steps under a minute show seconds.
        {"one-second bars", EvenBars(kFirstBarTime, 30, kMicrosecondsPerSecond), 0, 29, 20,
         "2024-03-15 9:30:00/Mar 15 2024, 2024-03-15 9:30:05, 2024-03-15 9:30:10, 2024-03-15 9:30:15, "
         "2024-03-15 9:30:20, 2024-03-15 9:30:25"},
        // A window from mid-step marks its next round time; bars beyond the chart get none.
        {"a window that starts mid-step", minutes, 10, 500, 4,
         "2024-03-15 10:00/Mar 15 2024, 2024-03-15 10:30, 2024-03-15 11:00"},
        // 30 minutes are 150 px; 10:30, one bar after the hour, is left out.
        {"a gap crowds a round time", gappy, 0, 1000, 5,
         "2024-03-15 9:30/Mar 15 2024, 2024-03-15 10:00, 2024-03-15 11:00, 2024-03-15 11:30, 2024-03-15 12:00, "
         "2024-03-15 12:30"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<TimeMark> marks =
            ChooseTimeMarks(row.dateTimes, row.firstBar, row.lastBar, row.pixelsPerBar, kMinPixels);
        EXPECT_EQ(Describe(row.dateTimes, marks), row.marks);
        for (size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(marks[i].kind, KindOfText(marks[i].text)) << marks[i].text;
            EXPECT_EQ(marks[i].underKind, KindOfText(marks[i].under)) << marks[i].under;
            if (i > 0) {
                EXPECT_GE((marks[i].bar - marks[i - 1].bar) * row.pixelsPerBar, kMinPixels);
            }
        }
    }
}

TEST(TimeMarks, EmptyWindowsHaveNoMarks) {
    const std::vector<int64_t> minutes = EvenBars(kFirstBarTime, 10, kMinute);
    EXPECT_TRUE(ChooseTimeMarks(minutes, 10, 20, 10, 90).empty());
    EXPECT_TRUE(ChooseTimeMarks({}, 0, 5, 10, 90).empty());
    ASSERT_EQ(ChooseTimeMarks(minutes, 0, 0, 10, 90).size(), 1u) << "one bar: the chart's first";
}

TEST(TimeMarks, TheAxisWritesEachMarkOverTheLineUnderItWithAGridLine) {
    TestChart test(100);  // 9:30 .. 11:09: the last 100 bars are in the window
    const DisplayList list = BuildDisplayList(test.study, {});
    const ChartMapping& map = list.mapping;
    const std::vector<TimeMark> marks =
        ChooseTimeMarks(test.chart.bars.dateTimes, map.firstBar, map.lastBar, map.barSpacing, kMinTimeMarkPixels);
    ASSERT_GE(marks.size(), 2u);
    EXPECT_EQ(marks.front().under, "Mar 15 2024");
    std::vector<std::vector<std::string>> written;
    size_t gridLines = 0;
    for (const Primitive& primitive : list.primitives) {
        if (primitive.kind == PrimitiveKind::kTimeAxis && std::holds_alternative<TextPrimitive>(primitive.shape)) {
            written.push_back(std::get<TextPrimitive>(primitive.shape).lines);
        }
        if (primitive.kind == PrimitiveKind::kTimeGrid) ++gridLines;
    }
    std::vector<std::vector<std::string>> expected;
    for (const TimeMark& mark : marks) {
        expected.push_back(mark.under.empty() ? std::vector<std::string>{mark.text}
                                              : std::vector<std::string>{mark.text, mark.under});
    }
    EXPECT_EQ(written, expected);
    EXPECT_EQ(gridLines, marks.size());
}

}  // namespace
}  // namespace render_test
