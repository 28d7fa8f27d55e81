// Major and minor speedlines.
#include <gtest/gtest.h>

#include "drawing/DrawingSteps.h"
#include "tests/drawing/RequestDiff.h"

using namespace kovra::drawing;

namespace kovra::testing {
namespace {

constexpr int32_t kLine = 1;
constexpr int32_t kMajorSubgraph = 18;
constexpr int32_t kMinorSubgraph = 19;

// One expected line: bars and prices of its two ends.
struct Line {
    int32_t offset;
    int32_t firstBar, secondBar;
    float firstPrice, secondPrice;
    uint32_t colour;
    int16_t width;
};

void ExpectLines(const RecordingHost& host, int32_t firstOffset, int32_t lastOffset, int16_t style,
                 const std::vector<Line>& lines) {
    const std::vector<DrawingRequest> actual = SubmittedInRange(host, firstOffset, lastOffset);
    ASSERT_EQ(actual.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        DrawingRequest e = ExpectedRequest(kLine, 1, lines[i].offset);
        e.FirstBar = lines[i].firstBar;
        e.SecondBar = lines[i].secondBar;
        e.FirstPrice = lines[i].firstPrice;
        e.SecondPrice = lines[i].secondPrice;
        e.LineColour = lines[i].colour;
        e.PenWidth = lines[i].width;
        e.PenStyle = style;
        EXPECT_EQ(DiffRequests(e, actual[i]), "") << "line " << i;
    }
}

TEST(MajorSpeedlines, OnlyTheLinesAcrossTheWholeFrameGetTheDoubledWidths) {
    RecordingHost host;
    StudySubgraph& settings = host.subgraph(kMajorSubgraph);
    settings.AngleUnit = 3.0f;
    settings.AngleMax = 1.0f;
    // Frame of 8 bars from 100, prices 100..108: one bar and one price unit per eighth.
    DrawSpeedlines<Speedlines::Major>(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    const uint32_t up = 0xED9564, down = 0xFF901E;  // declared defaults
    ExpectLines(host, 100, 203, 0,
                {{100, 100, 108, 100, 108, up, 6},
                 {101, 100, 108, 100, 104, up, 3},
                 {102, 100, 108, 100, 102, up, 3},
                 {103, 100, 104, 100, 108, up, 3},
                 {200, 100, 108, 108, 100, down, 2},
                 {201, 100, 108, 108, 104, down, 1},
                 {202, 100, 108, 108, 106, down, 1},
                 {203, 100, 104, 108, 100, down, 1}});
}

TEST(MinorSpeedlines, AFourBarFramesLinesEndOnWholeBarsWithThePlainWidths) {
    RecordingHost host;
    host.subgraph(kMinorSubgraph).AngleUnit = 5.0f;
    host.subgraph(kMinorSubgraph).AngleMax = 4.0f;
    DrawSpeedlines<Speedlines::Minor>(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 104));
    const uint32_t up = 0x7280FA, down = 0xCBC0FF;
    ExpectLines(host, 300, 402, 2,
                {{300, 100, 101, 100, 108, up, 5},
                 {301, 100, 103, 100, 108, up, 5},
                 {302, 100, 104, 100, 106, up, 5},
                 {400, 100, 101, 108, 100, down, 4},
                 {401, 100, 103, 108, 100, down, 4},
                 {402, 100, 104, 108, 102, down, 4}});
}

// Eighths of a 6-bar window fall between bars: 101.5 and 104.5 truncate to 101
// and 104 (whole bars only come with window lengths divisible by 4).
TEST(MinorSpeedlines, EndsBetweenBarsTruncate) {
    RecordingHost host;
    DrawSpeedlines<Speedlines::Minor>(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 106));
    const std::vector<DrawingRequest> lines = SubmittedInRange(host, 300, 402);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].SecondBar, 101);
    EXPECT_EQ(lines[1].SecondBar, 104);
    EXPECT_EQ(lines[2].SecondBar, 106);
}

TEST(Speedlines, ASwappedFrameGivesTheSameLines) {
    for (DrawingStep step : {DrawSpeedlines<Speedlines::Major>, DrawSpeedlines<Speedlines::Minor>}) {
        RecordingHost straight, swapped;
        step(straight.record(), MakeFrameGeometry(1234.5f, 1201.25f, 300, 332));
        step(swapped.record(), MakeFrameGeometry(1201.25f, 1234.5f, 332, 300));
        ASSERT_EQ(straight.submissions.size(), swapped.submissions.size());
        ASSERT_FALSE(straight.submissions.empty());
        for (size_t i = 0; i < straight.submissions.size(); ++i)
            EXPECT_EQ(DiffRequests(straight.submissions[i].request, swapped.submissions[i].request), "") << i;
    }
}

TEST(Speedlines, WidthsSaturateToSixteenBits) {
    RecordingHost host;
    host.subgraph(kMajorSubgraph).AngleUnit = 16384.0f;
    host.subgraph(kMajorSubgraph).AngleMax = -40000.0f;
    DrawSpeedlines<Speedlines::Major>(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    const std::vector<DrawingRequest> lines = SubmittedInRange(host, 100, 203);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].PenWidth, 32767);  // doubled 16384
    EXPECT_EQ(lines[1].PenWidth, 16384);
    EXPECT_EQ(lines[4].PenWidth, -32768);  // doubled -40000
    EXPECT_EQ(lines[5].PenWidth, -32768);
}

TEST(Speedlines, HidingOneFamilyLeavesTheOther) {
    struct Case {
        int32_t hiddenSubgraph;
        size_t major, minor;
    };
    for (const Case c : {Case{kMajorSubgraph, 0, 6}, Case{kMinorSubgraph, 8, 0}}) {
        RecordingHost host;
        host.subgraph(c.hiddenSubgraph).DrawStyle = kDrawStyleHidden;
        DrawSpeedlines<Speedlines::Minor>(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
        DrawSpeedlines<Speedlines::Major>(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
        EXPECT_EQ(SubmittedInRange(host, 100, 203).size(), c.major) << c.hiddenSubgraph;
        EXPECT_EQ(SubmittedInRange(host, 300, 402).size(), c.minor) << c.hiddenSubgraph;
    }
}

}  // namespace
}  // namespace kovra::testing
