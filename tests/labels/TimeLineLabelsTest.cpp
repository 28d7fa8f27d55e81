// The eighth marks and date marks along the time axis, as the host receives them.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "drawing/DrawingSteps.h"
#include "tests/labels/LabelTestSupport.h"

using namespace kovra::drawing;
using namespace kovra::layout;

namespace kovra::testing {
namespace {

class TimeLineLabels : public ::testing::Test {
protected:
    void SetUp() override {
        host.AppendBars(100);
        GiveLevelsDistinctColours(host);
    }

    StudySubgraph& settings() { return host.subgraph(kTimeLabelSettings.position); }

    std::vector<Submission> Eighths(int32_t start, int32_t end, float top = 108, float bottom = 100) {
        host.submissions.clear();
        DrawTimeLabels<TimeLabels::Eighths>(host.record(), MakeFrameGeometry(top, bottom, start, end));
        return host.submissions;
    }

    std::vector<Submission> Dates(int32_t start, int32_t end, float top = 108, float bottom = 100) {
        host.submissions.clear();
        DrawTimeLabels<TimeLabels::Dates>(host.record(), MakeFrameGeometry(top, bottom, start, end));
        return host.submissions;
    }

    RecordingHost host;
};

int64_t DateTimeOfBar(int32_t bar) { return kFirstBarDateTime + bar * kMicrosecondsPerMinute; }

struct WindowRow {
    const char* what;
    int32_t start, end;
    std::vector<int32_t> eighths;  // the eighths that get marks
    std::vector<int32_t> bars;     // their bars
    std::vector<std::string> texts;
};

const WindowRow kWindows[] = {
    {"64 bars: eight apart, i/8",
     10,
     74,
     {0, 1, 2, 3, 4, 5, 6, 7, 8},
     {10, 18, 26, 34, 42, 50, 58, 66, 74},
     {"0/8", "1/8", "2/8", "3/8", "4/8", "5/8", "6/8", "7/8", "8/8"}},
    {"16 bars: two apart, plain numbers",
     10,
     26,
     {0, 1, 2, 3, 4, 5, 6, 7, 8},
     {10, 12, 14, 16, 18, 20, 22, 24, 26},
     {"0", "1", "2", "3", "4", "5", "6", "7", "8"}},
    {"4 bars: the even eighths", 10, 14, {0, 2, 4, 6, 8}, {10, 11, 12, 13, 14}, {"0", "2", "4", "6", "8"}},
    {"12 bars: the even eighths", 12, 24, {0, 2, 4, 6, 8}, {12, 15, 18, 21, 24}, {"0", "2", "4", "6", "8"}},
    {"24 bars: an eighth of exactly 3 takes i/8",
     10,
     34,
     {0, 1, 2, 3, 4, 5, 6, 7, 8},
     {10, 13, 16, 19, 22, 25, 28, 31, 34},
     {"0/8", "1/8", "2/8", "3/8", "4/8", "5/8", "6/8", "7/8", "8/8"}},
    {"6 bars: eighths 0, 4 and 8", 10, 16, {0, 4, 8}, {10, 13, 16}, {"0", "4", "8"}},
    {"equal start and end: nine marks on one bar",
     30,
     30,
     {0, 1, 2, 3, 4, 5, 6, 7, 8},
     {30, 30, 30, 30, 30, 30, 30, 30, 30},
     {"0", "1", "2", "3", "4", "5", "6", "7", "8"}},
};

TEST_F(TimeLineLabels, WholeBarEighthsAreMarkedInBothRows) {
    for (const WindowRow& row : kWindows) {
        SCOPED_TRACE(row.what);
        const std::vector<Submission> eighths = Eighths(row.start, row.end);
        const std::vector<Submission> dates = Dates(row.start, row.end);
        EXPECT_EQ(TextsOf(eighths), row.texts);
        ASSERT_EQ(eighths.size(), row.eighths.size());
        ASSERT_EQ(dates.size(), row.eighths.size());
        for (size_t n = 0; n < row.eighths.size(); ++n) {
            const int32_t i = row.eighths[n];
            EXPECT_EQ(eighths[n].request.DrawingId, 25000 + i);
            EXPECT_EQ(dates[n].request.DrawingId, 26000 + i);
            EXPECT_EQ(eighths[n].request.FirstDateTime, DateTimeOfBar(row.bars[n]));
            EXPECT_EQ(dates[n].request.FirstDateTime, DateTimeOfBar(row.bars[n]));
        }
    }
}

TEST_F(TimeLineLabels, DateMarksOfASixBarWindowShowTheirBars) {
    // Bars 10, 13 and 16 are 9:40, 9:43 and 9:46 on 2 January 2024.
    EXPECT_EQ(TextsOf(Dates(10, 16)), (std::vector<std::string>{"1/2\n9:40", "1/2\n9:43", "1/2\n9:46"}));
}

TEST_F(TimeLineLabels, DefaultSettingsPlaceBothRows) {
    ASSERT_EQ(settings().LabelSettings, 0xD2303u);
    const std::vector<Submission> eighths = Eighths(10, 74);
    const std::vector<Submission> dates = Dates(10, 74);
    ASSERT_EQ(eighths.size(), 9u);
    ASSERT_EQ(dates.size(), 9u);
    for (int32_t i = 0; i <= 8; ++i) {
        SCOPED_TRACE("i = " + std::to_string(i));
        const DrawingRequest& eighth = eighths[static_cast<size_t>(i)].request;
        const DrawingRequest& date = dates[static_cast<size_t>(i)].request;
        const int32_t horizontal = i == 0 ? kAlignLeft : (i == 8 ? kAlignRight : kAlignCentre);
        EXPECT_EQ(eighth.TextAlignment, kAlignBottom | horizontal);  // standing on the +2/8th line
        EXPECT_EQ(date.TextAlignment, kAlignTop | horizontal);       // hanging below the -2/8th line
        EXPECT_EQ(eighth.FirstPrice, 110.0f);
        EXPECT_EQ(date.FirstPrice, 98.0f);
        EXPECT_EQ(eighth.TextFlag, 1);
        EXPECT_EQ(date.TextFlag, 0);
        EXPECT_EQ(eighth.FontSize, 7);  // 'Angle Unit'
        EXPECT_EQ(date.FontSize, 6);    // 'Angle Max'
        for (const DrawingRequest* request : {&eighth, &date}) {
            EXPECT_EQ(request->DrawingType, kDrawingText);
            EXPECT_EQ(request->RequestMode, kRequestAddOrReplace);
            EXPECT_EQ(request->TextOptionB, 0);
            EXPECT_EQ(request->TextOptionA, kNotGivenInteger);
            EXPECT_EQ(request->FirstBar, kNotGivenInteger);
            EXPECT_EQ(request->LineColour, LevelColourOf(10 - i));  // the i/8th level series
        }
    }
}

TEST_F(TimeLineLabels, PricesSumTheTwoEighthsFirst) {
    // Adding the eighths one at a time to the high (or low) gives another float here.
    const float top = 2.8f, bottom = 0.1f;
    const float eighth = (top - bottom) * 0.125f;
    ASSERT_NE((top + eighth) + eighth, top + (eighth + eighth));
    ASSERT_NE((bottom - eighth) - eighth, bottom - (eighth + eighth));
    EXPECT_EQ(Eighths(10, 74, top, bottom)[0].request.FirstPrice, top + (eighth + eighth));
    EXPECT_EQ(Dates(10, 74, bottom, top)[0].request.FirstPrice, bottom - (eighth + eighth));
}

TEST_F(TimeLineLabels, EighthsBeyondTheLastBarTakeItsDateTime) {
    const std::vector<Submission> dates = Dates(80, 144);  // bars 0 .. 99
    ASSERT_EQ(dates.size(), 9u);
    EXPECT_EQ(dates[2].request.FirstDateTime, DateTimeOfBar(96));
    for (size_t i = 3; i < 9; ++i) {
        EXPECT_EQ(dates[i].request.FirstDateTime, DateTimeOfBar(99));
        EXPECT_EQ(dates[i].text, "1/2\n11:09");
    }
}

TEST_F(TimeLineLabels, DrawStylesFourAndFiveAndClearOnBitsSuppress) {
    struct Row {
        int16_t drawStyle;
        uint32_t word;
        size_t eighths, dates;
    };
    const Row rows[] = {
        {0, 0xD2303, 9, 9}, {3, 0xD2303, 9, 9}, {4, 0xD2303, 0, 0}, {5, 0xD2303, 0, 0},
        {0, 0xD2302, 0, 9}, {0, 0xD2203, 9, 0}, {0, 0x101, 9, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("draw style " + std::to_string(row.drawStyle) + ", word " + std::to_string(row.word));
        settings().DrawStyle = row.drawStyle;
        settings().LabelSettings = row.word;
        EXPECT_EQ(Eighths(10, 74).size(), row.eighths);
        EXPECT_EQ(Dates(10, 74).size(), row.dates);
    }
}

TEST_F(TimeLineLabels, PlacementBitsOfThePriceLabelsPlayNoPart) {
    settings().LabelSettings = 0x1 | 0x100 | 0x10000 | 0x80 | 0x100000 | 0x20 | 0x4 | 0x40 | 0x8 | 0x10 | 0x20000 |
                               0x8000 | 0x200000 | 0x2000 | 0x400 | 0x4000 | 0x800 | 0x1000;
    const std::vector<Submission> eighths = Eighths(10, 74);
    const std::vector<Submission> dates = Dates(10, 74);
    ASSERT_EQ(eighths.size(), 9u);
    ASSERT_EQ(dates.size(), 9u);
    EXPECT_EQ(eighths[0].text, "0/8");
    EXPECT_EQ(eighths[0].request.TextAlignment, kAlignBottom | kAlignLeft);
    EXPECT_EQ(eighths[0].request.TextFlag, 0);
    EXPECT_EQ(dates[8].request.TextAlignment, kAlignTop | kAlignRight);
    EXPECT_EQ(dates[8].request.TextFlag, 1);
    EXPECT_EQ(dates[8].request.FirstBar, kNotGivenInteger);
}

TEST_F(TimeLineLabels, LabelFlagChoosesOneColourPerRow) {
    settings().PrimaryColour = 0x000000FF;
    settings().SecondaryColour = 0x0000FF00;
    settings().LabelFlag = 1;
    for (const Submission& eighth : Eighths(10, 74)) EXPECT_EQ(eighth.request.LineColour, 0x000000FFu);
    for (const Submission& date : Dates(10, 74)) EXPECT_EQ(date.request.LineColour, 0x0000FF00u);
}

TEST_F(TimeLineLabels, MissingSettingsSubgraphGivesTheFallbacks) {
    Rename(host, kTimeLabelSettings.position, "Time line Labelling ");  // a trailing blank: no match
    settings().DrawStyle = kDrawStyleNotDrawn;
    settings().LabelFlag = 1;
    settings().LabelSettings = 0;
    settings().AngleUnit = settings().AngleMax = 20.0f;
    const std::vector<Submission> eighths = Eighths(10, 74);
    const std::vector<Submission> dates = Dates(10, 74);
    ASSERT_EQ(eighths.size(), 9u);
    ASSERT_EQ(dates.size(), 9u);
    for (int32_t i = 0; i <= 8; ++i) {
        for (const std::vector<Submission>* row : {&eighths, &dates}) {
            const DrawingRequest& request = (*row)[static_cast<size_t>(i)].request;
            EXPECT_EQ(request.TextFlag, 1);
            EXPECT_EQ(request.FontSize, 7);
            EXPECT_EQ(request.LineColour, LevelColourOf(10 - i));
        }
    }
}

TEST_F(TimeLineLabels, DateTextsOfChosenDateTimes) {
    constexpr int64_t kHour = 60 * kMicrosecondsPerMinute;
    struct Row {
        const char* what;
        int64_t dateTime;
        const char* text;
    };
    // 1 January 2024 is day 45292 after 1899-12-30.
    const Row rows[] = {
        {"1 January 2024 14:00:00", 45292 * kMicrosecondsPerDay + 14 * kHour, "1/1\n14:00"},
        {"29 February 2024 09:30", 45351 * kMicrosecondsPerDay + 9 * kHour + 30 * kMicrosecondsPerMinute, "2/29\n9:30"},
        {"last half second before midnight", 45293 * kMicrosecondsPerDay - 500'000, "1/1\n0:00"},
        {"29 December 1899 23:30, before the origin", -1'800'000'000, "12/29\n23:30"},
        {"the largest date-time", std::numeric_limits<int64_t>::max(), "1/7\n4:00"},
        {"the smallest date-time", std::numeric_limits<int64_t>::min(), "12/20\n19:59"},
    };
    for (const Row& row : rows) {
        host.chart.bars.dateTimes[20] = row.dateTime;
        const std::vector<Submission> dates = Dates(20, 20);
        ASSERT_EQ(dates.size(), 9u) << row.what;
        EXPECT_EQ(dates[0].text, row.text) << row.what;
        EXPECT_EQ(dates[0].request.FirstDateTime, row.dateTime) << row.what;
    }
}

}  // namespace
}  // namespace kovra::testing
