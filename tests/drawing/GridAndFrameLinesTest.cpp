// Horizontal level lines, vertical eighth lines and the frame-extension rectangles.
#include <string>

#include <gtest/gtest.h>

#include "drawing/DrawingSteps.h"
#include "tests/drawing/RequestDiff.h"

using namespace kovra::drawing;

namespace kovra::testing {
namespace {

constexpr int32_t kLine = 1;
constexpr int32_t kRectangle = 12;

// A distinct primary colour per level subgraph, so a line taking the wrong
// subgraph's colour shows.
uint32_t ColourOfSubgraph(int32_t subgraph) { return 0x00010101u * static_cast<uint32_t>(subgraph + 1); }
// Level k (-2..10) lives in subgraph 10 - k.
uint32_t ColourOfLevel(int32_t k) { return ColourOfSubgraph(10 - k); }

void ColourLevelSubgraphs(RecordingHost& host) {
    for (int32_t s = 0; s < 13; ++s) host.subgraph(s).PrimaryColour = ColourOfSubgraph(s);
}

void ExpectSubmitted(const std::vector<DrawingRequest>& expected, const std::vector<DrawingRequest>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(DiffRequests(expected[i], actual[i]), "")
            << "request " << i << ", identifier " << actual[i].DrawingId;
}

TEST(GridLines, ThirteenLevelLinesInOrderWithTheirIdentifiersWidthsStylesAndColours) {
    // Rows from the table of horizontal lines: level k, width, style, offset.
    struct Row {
        int32_t k;
        int16_t width, style;
        int32_t offset;
    };
    const Row rows[] = {{0, 2, 0, 800},  {1, 1, 0, 801},  {2, 1, 0, 802}, {3, 1, 0, 803}, {4, 2, 0, 804},
                        {5, 1, 0, 805},  {6, 1, 0, 806},  {7, 1, 0, 807}, {8, 2, 0, 808}, {9, 1, 2, 809},
                        {10, 1, 2, 810}, {-2, 1, 2, 852}, {-1, 1, 2, 851}};
    RecordingHost host;
    ColourLevelSubgraphs(host);
    host.subgraph(5).DrawStyle = kDrawStyleHidden;  // hiding a level subgraph keeps its grid line
    // Frame of 8 bars from 100, 0/8th at 100 and 8/8th at 108: one price unit per eighth.
    DrawGridLines(host.record(), MakeFrameGeometry(108.0f, 100.0f, 108, 100));
    std::vector<DrawingRequest> expected;
    for (const Row& row : rows) {
        DrawingRequest e = ExpectedRequest(kLine, 1, row.offset);
        e.FirstBar = 100;
        e.SecondBar = 108;
        e.FirstPrice = e.SecondPrice = 100.0f + static_cast<float>(row.k);
        e.LineColour = ColourOfLevel(row.k);
        e.PenWidth = row.width;
        e.PenStyle = row.style;
        expected.push_back(e);
    }
    ExpectSubmitted(expected, SubmittedInRange(host, 0, 2000));
}

DrawingRequest EighthLine(int32_t j, int32_t bar, float top, float bottom) {
    DrawingRequest e = ExpectedRequest(kLine, 1, 900 + j);
    e.FirstBar = e.SecondBar = bar;
    e.FirstPrice = top;
    e.SecondPrice = bottom;
    e.LineColour = ColourOfLevel(j);
    e.PenWidth = (j == 0 || j == 4 || j == 8) ? 2 : 1;
    e.PenStyle = kLineStyleSolid;
    return e;
}

TEST(EighthLines, AFourBarFrameSkipsTheOddEighthsAndOnlyTheEdgesSpanTheFrame) {
    RecordingHost host;
    ColourLevelSubgraphs(host);
    // Prices 100..108 (eighth 1): the edges span 108 to 100, the inner lines 110 to 98.
    DrawEighthLines(host.record(), MakeFrameGeometry(100.0f, 108.0f, 100, 104));
    ExpectSubmitted({EighthLine(0, 100, 108, 100), EighthLine(2, 101, 110, 98), EighthLine(4, 102, 110, 98),
                     EighthLine(6, 103, 110, 98), EighthLine(8, 104, 108, 100)},
                    SubmittedInRange(host, 0, 2000));
}

DrawingRequest ExtensionRectangle(int32_t id, float first, float second) {
    DrawingRequest e;
    e.DrawingType = kRectangle;
    e.DrawingId = id;
    e.FirstBar = 100;
    e.SecondBar = 108;
    e.FirstPrice = first;
    e.SecondPrice = second;
    e.LineColour = 0x00FF00;
    e.PenWidth = 0;
    e.FillColour = 0x00ABCDEF;
    e.FillTransparency = 0;
    e.TargetChart = 7;
    return e;  // PenStyle and RequestMode stay not given
}

void PrepareChart(RecordingHost& host) {
    host.record().HostChartId = 7;
    host.record().HostChartColour = 0x00ABCDEF;
}

TEST(FrameExtensions, TwoRectanglesBeyondTheGridOnTheChartsNumberAndColour) {
    RecordingHost host;
    PrepareChart(host);
    DrawFrameExtensions(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    ExpectSubmitted({ExtensionRectangle(2000, 110, 112), ExtensionRectangle(2001, 98, 96)},
                    SubmittedInRange(host, 0, 2000));
}

// A host that renumbers the first rectangle and attaches a note to it; it
// remembers where each request's text lives.
std::vector<const char*> textsSeen;
int32_t RenumberAndAnnotate(HostStudyInterface* host, DrawingRequest* request) {
    if (request->DrawingId == 2000) {
        request->DrawingId = 7000;
        host->TextAssign(host, &request->DrawingText, "note");
    }
    textsSeen.push_back(request->DrawingText.Chars);
    return 1;
}

TEST(FrameExtensions, TheSecondRectangleCopiesTheFirstAsTheHostLeftIt) {
    RecordingHost host;
    PrepareChart(host);
    textsSeen.clear();
    host.SetSubmitHook(&RenumberAndAnnotate);
    DrawFrameExtensions(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    ASSERT_EQ(host.submissions.size(), 2u);
    EXPECT_EQ(DiffRequests(ExtensionRectangle(7001, 98, 96), host.submissions[1].request), "");
    EXPECT_EQ(host.submissions[1].text, "note");
    // Each request owns its own text, so releasing both frees nothing twice.
    ASSERT_EQ(textsSeen.size(), 2u);
    EXPECT_NE(textsSeen[1], nullptr);
    EXPECT_NE(textsSeen[0], textsSeen[1]);
}

TEST(FrameExtensions, NeitherRectangleWhileDrawingsAreSuppressed) {
    RecordingHost host;
    host.record().DrawingsSuppressed = 1;
    DrawFrameExtensions(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    EXPECT_TRUE(host.submissions.empty());
}

}  // namespace
}  // namespace kovra::testing
