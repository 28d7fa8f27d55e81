// Circles of conflict.
#include <gtest/gtest.h>

#include "drawing/DrawingSteps.h"
#include "tests/drawing/RequestDiff.h"

using namespace kovra::drawing;

namespace kovra::testing {
namespace {

constexpr int32_t kEllipse = 13;
constexpr int32_t kCirclesSubgraph = 15;

struct Ellipse {
    int32_t offset;
    int32_t firstBar, secondBar;
    float top, bottom;
};

// Declared defaults of the circles' settings subgraph: cyan border, teal fill,
// 'Angle Unit' 0 as border width, 'Angle Max' 60 as transparency, style 4.
DrawingRequest Expected(const Ellipse& e) {
    DrawingRequest r = ExpectedRequest(kEllipse, 1, e.offset);
    r.FirstBar = e.firstBar;
    r.SecondBar = e.secondBar;
    r.FirstPrice = e.top;
    r.SecondPrice = e.bottom;
    r.LineColour = 0xFFFF00;
    r.FillColour = 0x808000;
    r.PenWidth = 0;
    r.FillTransparency = 60;
    r.PenStyle = kLineStyleDashDotDot;
    return r;
}

void ExpectEllipses(const RecordingHost& host, const std::vector<Ellipse>& ellipses) {
    const std::vector<DrawingRequest> actual = SubmittedInRange(host, ellipses.front().offset, ellipses.back().offset);
    ASSERT_EQ(actual.size(), ellipses.size());
    for (size_t i = 0; i < ellipses.size(); ++i)
        EXPECT_EQ(DiffRequests(Expected(ellipses[i]), actual[i]), "") << "ellipse " << ellipses[i].offset;
}

TEST(CirclesOfConflict, TwentySevenEllipsesInCentreAndSizeOrder) {
    RecordingHost host;
    DrawCirclesOfConflict(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    const std::vector<int32_t> offsets = SubmittedOffsets(host);
    ASSERT_EQ(offsets.size(), 27u);
    for (int32_t i = 0; i < 27; ++i) EXPECT_EQ(offsets[static_cast<size_t>(i)], 500 + i);
}

// The middle centre of an 8-bar frame from bar 100, 0/8th at 100 and 8/8th at
// 108: the smallest ellipse's half-bar edges widen outward to whole bars.
TEST(CirclesOfConflict, TheMiddleCentreOfAnEightBarFrame) {
    RecordingHost host;
    DrawCirclesOfConflict(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    ExpectEllipses(host,
                   {{503, 102, 106, 106.0f, 102.0f}, {504, 103, 105, 105.0f, 103.0f}, {505, 103, 105, 104.5f, 103.5f}});
}

// Centre 0 of a 4-bar frame sits at bar 101 (time eighth 2 of half a bar);
// every size widens to bars 100 to 102.
TEST(CirclesOfConflict, TheFirstCentreOfAFourBarFrame) {
    RecordingHost host;
    DrawCirclesOfConflict(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 104));
    ExpectEllipses(host,
                   {{500, 100, 102, 104.0f, 100.0f}, {501, 100, 102, 103.0f, 101.0f}, {502, 100, 102, 102.5f, 101.5f}});
}

TEST(CirclesOfConflict, BorderWidthAndTransparencyComeFromTheAngles) {
    struct Case {
        float angleUnit, angleMax;
        int16_t width;
        int32_t transparency;
    };
    for (const Case c : {Case{0.0f, 100.0f, 0, 100}, Case{3.0f, 0.0f, 3, 0}, Case{1.0f, 50.0f, 1, 50}}) {
        RecordingHost host;
        host.subgraph(kCirclesSubgraph).AngleUnit = c.angleUnit;
        host.subgraph(kCirclesSubgraph).AngleMax = c.angleMax;
        DrawCirclesOfConflict(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
        const std::vector<DrawingRequest> ellipses = SubmittedInRange(host, 500, 526);
        ASSERT_EQ(ellipses.size(), 27u);
        for (const DrawingRequest& e : ellipses) {
            EXPECT_EQ(e.PenWidth, c.width) << c.angleUnit;
            EXPECT_EQ(e.FillTransparency, c.transparency) << c.angleMax;
        }
    }
}

}  // namespace
}  // namespace kovra::testing
