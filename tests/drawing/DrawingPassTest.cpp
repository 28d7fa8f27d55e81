// The drawing pass as a whole and the settings lookup every named step shares.
#include <functional>
#include <limits>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "drawing/DrawingSteps.h"
#include "drawing/RunDrawingPass.h"
#include "tests/drawing/RequestDiff.h"

using namespace kovra::drawing;

namespace kovra::testing {
namespace {

constexpr int32_t kCirclesSubgraph = 15;
constexpr int32_t kMajorSubgraph = 18;
constexpr int32_t kMinorSubgraph = 19;
constexpr int32_t kSpareSubgraph = 25;  // unnamed in the declared study

void RunPass(RecordingHost& host) { RunDrawingPass(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108)); }

void Rename(RecordingHost& host, int32_t position, const char* name) {
    HostStudyInterface& r = host.record();
    r.TextAssign(&r, &host.subgraph(position).Name, name);
}

// The family of each non-text drawing, by its identifier offset.
const char* FamilyOf(int32_t offset) {
    if (offset >= 500 && offset <= 526) return "circles";
    if (offset == 1000 || offset == 1001) return "rectangles";
    if (offset >= 300 && offset <= 402) return "minor speedlines";
    if (offset >= 100 && offset <= 203) return "major speedlines";
    if (offset >= 800 && offset <= 852) return "grid lines";
    if (offset >= 900 && offset <= 908) return "eighth lines";
    return "unknown";
}

TEST(DrawingPass, RunsTheFamiliesInTheirFixedOrder) {
    RecordingHost host;
    RunPass(host);
    std::vector<std::string> families;
    for (int32_t offset : SubmittedOffsets(host))
        if (families.empty() || families.back() != FamilyOf(offset)) families.emplace_back(FamilyOf(offset));
    EXPECT_THAT(families, ::testing::ElementsAre("circles", "rectangles", "minor speedlines", "major speedlines",
                                                 "grid lines", "eighth lines"));
    // 27 ellipses, 2 rectangles, 6 + 8 speedlines, 13 grid lines, 9 eighth lines of an 8-bar frame.
    EXPECT_EQ(SubmittedOffsets(host).size(), 65u);
}

TEST(DrawingPass, SubmitsNothingWhileDrawingsAreSuppressed) {
    RecordingHost host;
    host.AppendBars(20);
    host.record().DrawingsSuppressed = 1;
    RunPass(host);
    EXPECT_TRUE(host.submissions.empty());
    host.record().DrawingsSuppressed = 0;
    RunPass(host);
    EXPECT_FALSE(host.submissions.empty());
}

// What the circles are drawn with, read off their first ellipse; hidden when none.
struct CircleSettings {
    bool drawn;
    uint32_t border;
    uint32_t fill;
    int16_t width;
    int32_t transparency;
    int16_t style;
    bool operator==(const CircleSettings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const CircleSettings& s) {
    return out << (s.drawn ? "drawn" : "hidden") << std::hex << " border 0x" << s.border << " fill 0x" << s.fill
               << std::dec << " width " << s.width << " transparency " << s.transparency << " style " << s.style;
}

CircleSettings CirclesDrawnWith(RecordingHost& host) {
    DrawCirclesOfConflict(host.record(), MakeFrameGeometry(108.0f, 100.0f, 100, 108));
    const std::vector<DrawingRequest> circles = SubmittedInRange(host, 500, 526);
    if (circles.empty()) return {false, 0, 0, 0, 0, 0};
    const DrawingRequest& c = circles.front();
    return {true, c.LineColour, c.FillColour, c.PenWidth, c.FillTransparency, c.PenStyle};
}

void SetCircleSettings(StudySubgraph& s, uint32_t border, uint32_t fill, float unit, float max, int16_t style,
                       int16_t drawStyle) {
    s.PrimaryColour = border;
    s.SecondaryColour = fill;
    s.AngleUnit = unit;
    s.AngleMax = max;
    s.LineStyle = style;
    s.DrawStyle = drawStyle;
}

constexpr CircleSettings kDeclared = {true, 0xFFFF00, 0x808000, 0, 60, 4};
constexpr CircleSettings kFallback = {true, 0x696969, 0x808080, 1, 30, 3};
constexpr CircleSettings kHidden = {false, 0, 0, 0, 0, 0};
constexpr CircleSettings kSecond = {true, 0x111111, 0x222222, 7, 45, 1};

struct LookupCase {
    const char* what;
    std::function<void(RecordingHost&)> change;
    CircleSettings expected;
};

TEST(SettingsLookup, FindsTheSettingsSubgraphByItsExactNameLastMatchWinning) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const LookupCase cases[] = {
        {"declared subgraph", [](RecordingHost&) {}, kDeclared},
        {"name with a trailing blank",
         [](RecordingHost& h) { Rename(h, kCirclesSubgraph, "Circles of Conflict Border/Fill "); }, kFallback},
        {"name in lower case", [](RecordingHost& h) { Rename(h, kCirclesSubgraph, "circles of conflict border/fill"); },
         kFallback},
        {"later duplicate wins",
         [](RecordingHost& h) {
             Rename(h, kSpareSubgraph, "Circles of Conflict Border/Fill");
             SetCircleSettings(h.subgraph(kSpareSubgraph), 0x111111, 0x222222, 7.0f, 45.0f, 1, 0);
         },
         kSecond},
        {"later duplicate hidden hides",
         [](RecordingHost& h) {
             Rename(h, kSpareSubgraph, "Circles of Conflict Border/Fill");
             SetCircleSettings(h.subgraph(kSpareSubgraph), 0x111111, 0x222222, 7.0f, 45.0f, 1, 4);
         },
         kHidden},
        {"earlier duplicate hidden does not",
         [](RecordingHost& h) {
             h.subgraph(kCirclesSubgraph).DrawStyle = kDrawStyleHidden;
             Rename(h, kSpareSubgraph, "Circles of Conflict Border/Fill");
             SetCircleSettings(h.subgraph(kSpareSubgraph), 0x111111, 0x222222, 7.0f, 45.0f, 1, 0);
         },
         kSecond},
        {"draw style 4 hides", [](RecordingHost& h) { h.subgraph(kCirclesSubgraph).DrawStyle = kDrawStyleHidden; },
         kHidden},
        {"draw style 5 draws", [](RecordingHost& h) { h.subgraph(kCirclesSubgraph).DrawStyle = kDrawStyleNotDrawn; },
         kDeclared},
        {"angles truncate toward zero",
         [](RecordingHost& h) {
             SetCircleSettings(h.subgraph(kCirclesSubgraph), 0xFFFF00, 0x808000, 2.9f, -0.5f, 4, 0);
         },
         {true, 0xFFFF00, 0x808000, 2, 0, 4}},
        {"NaN angles give 0",
         [=](RecordingHost& h) { SetCircleSettings(h.subgraph(kCirclesSubgraph), 0xFFFF00, 0x808000, nan, nan, 4, 0); },
         {true, 0xFFFF00, 0x808000, 0, 0, 4}},
        {"huge angles saturate",
         [](RecordingHost& h) {
             SetCircleSettings(h.subgraph(kCirclesSubgraph), 0xFFFF00, 0x808000, 1e10f, 1e10f, 4, 0);
         },
         {true, 0xFFFF00, 0x808000, 32767, 2147483647, 4}},
        {"hugely negative angles saturate",
         [](RecordingHost& h) {
             SetCircleSettings(h.subgraph(kCirclesSubgraph), 0xFFFF00, 0x808000, -1e10f, -1e10f, 4, 0);
         },
         {true, 0xFFFF00, 0x808000, -32768, -2147483647 - 1, 4}},
    };
    for (const LookupCase& c : cases) {
        RecordingHost host;
        c.change(host);
        EXPECT_EQ(CirclesDrawnWith(host), c.expected) << c.what;
    }
}

TEST(SettingsLookup, HidingOneNamedFamilyLeavesTheRestOfThePass) {
    struct Case {
        int32_t subgraph;
        int32_t firstOffset, lastOffset;
        size_t familySize;
    };
    for (const Case c :
         {Case{kCirclesSubgraph, 500, 526, 27}, Case{kMajorSubgraph, 100, 203, 8}, Case{kMinorSubgraph, 300, 402, 6}}) {
        RecordingHost host;
        host.subgraph(c.subgraph).DrawStyle = kDrawStyleHidden;
        RunPass(host);
        EXPECT_TRUE(SubmittedInRange(host, c.firstOffset, c.lastOffset).empty()) << "subgraph " << c.subgraph;
        EXPECT_EQ(SubmittedOffsets(host).size(), 65u - c.familySize) << "subgraph " << c.subgraph;
    }
}

TEST(SettingsLookup, WithoutSubgraphsEveryColourIsTheDefaultElementsAndEveryFamilyItsFallbacks) {
    RecordingHost host(false, host::InstanceOptions{.subgraphCount = 0});
    host.record().Subgraphs.Spare.PrimaryColour = 0x00123456;
    RunPass(host);
    for (const DrawingRequest& line : SubmittedInRange(host, 800, 908))
        EXPECT_EQ(line.LineColour, 0x00123456u) << "identifier " << line.DrawingId;
    EXPECT_EQ(SubmittedInRange(host, 800, 908).size(), 13u + 9u);
    EXPECT_EQ(CirclesDrawnWith(host), kFallback);
    const std::vector<DrawingRequest> major = SubmittedInRange(host, 100, 203);
    const std::vector<DrawingRequest> minor = SubmittedInRange(host, 300, 402);
    ASSERT_EQ(major.size(), 8u);
    ASSERT_EQ(minor.size(), 6u);
    EXPECT_EQ(major.front().LineColour, 0xFF0000u);
    EXPECT_EQ(major.back().LineColour, 0x000080u);
    EXPECT_EQ(major.front().PenStyle, kLineStyleSolid);
    EXPECT_EQ(minor.front().LineColour, 0x000080u);
    EXPECT_EQ(minor.back().LineColour, 0x00A5FFu);
    EXPECT_EQ(minor.front().PenStyle, kLineStyleDash);
}

}  // namespace
}  // namespace kovra::testing
