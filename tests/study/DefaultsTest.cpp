// What the defaults call declares, through the real library loaded as the
// platform loads it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"

namespace {

using kovra::host::Chart;
using kovra::host::InstanceOptions;
using kovra::host::StudyInstance;
using kovra::host::StudyLibrary;
using kovra::host::TextView;

const StudyLibrary& Library() {
    static const StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    return library;
}

struct InputRow {
    int position;
    const char* name;
    uint8_t type;
    const char* items;  // null: none set
    float value;
    const char* description;
};

// The declared inputs, as the settings dialog must show them.
const InputRow kInputs[] = {
    {10, "Frame Algorithm", 22, "Normalized;Optimized;Accelerated;Legacy", 1,
     "Different methods of calculating MM price levels <br>(Accelerated is closest to the platform's built-in formula)"},
    {11, "Frame Size", 22, "4;8;16;32;64;128;256", 2, "Number of bars in a trading frame"},
    {12, "Prior Frame Inclusion", 22, "0%;50%;100%", 0, "How much of previous frame to include in the calculations"},
    {13, "Price Extremes", 22, "HL;OC", 0,
     "Base price calculations on the Highs/Lows or Opens/Closes. Using OC means ignore price spikes"},
    {14, "Show Grid", 5, nullptr, 1,
     "Show the MM price grid. Configure colours and which parts to show through the Subgraph tab in Study settings"},
    {16, "Show Frame History", 5, nullptr, 1,
     "Show the 0/8th and 8/8th lines as they have changed with historical frame shifts that have occurred thus far."},
};

struct SubgraphRow {
    int position;
    const char* name;
    uint32_t primary;
    std::optional<uint32_t> secondary;  // empty: the host's value stays
    int16_t drawStyle;
    int16_t lineStyle;
    int16_t lineWidth;
    uint32_t labelSettings;
    float angleUnit;
    float angleMax;
};

// Values the host's fresh subgraph holds, for settings the study leaves alone.
const StudySubgraph kFresh = kovra::host::DefaultSubgraph();

const SubgraphRow kSubgraphs[] = {
    {0, "+2/8th", 0x00C0C0C0, {}, 3, 1, 1, 0, 0, 0},
    {1, "+1/8th", 0x00808080, {}, 3, 1, 1, 0, 0, 0},
    {2, "8/8th", 0x00FF0000, {}, 3, 0, 1, 0x4100, 0, 0},
    {3, "7/8th", 0x0000FFFF, {}, 3, 0, 1, 0, 0, 0},
    {4, "6/8th", 0x000000FF, {}, 3, 0, 1, 0, 0, 0},
    {5, "5/8th", 0x00006400, {}, 3, 0, 1, 0, 0, 0},
    {6, "4/8th", 0x00FF0000, {}, 3, 0, 1, 0, 0, 0},
    {7, "3/8th", 0x00006400, {}, 3, 0, 1, 0, 0, 0},
    {8, "2/8th", 0x000000FF, {}, 3, 0, 1, 0, 0, 0},
    {9, "1/8th", 0x0000FFFF, {}, 3, 0, 1, 0, 0, 0},
    {10, "0/8th", 0x00FF0000, {}, 3, 0, 1, 0x4100, 0, 0},
    {11, "-1/8th", 0x00808080, {}, 3, 1, 1, 0, 0, 0},
    {12, "-2/8th", 0x00C0C0C0, {}, 3, 1, 1, 0, 0, 0},
    {13, "", 0x000000FF, {}, 4, 0, 2, 0, 0, 0},
    {14, "", 0x0000FF00, {}, 4, 0, 2, 0, 0, 0},
    {15, "Circles of Conflict Border/Fill", 0x00FFFF00, 0x00808000, 0, 4, 99, 0, 0, 60},
    {18, "Speedlines Major - Up/Down", 0x00ED9564, 0x00FF901E, 0, 0, 99, 0, 1, 1},
    {19, "Minor Speedlines - Up/Down", 0x007280FA, 0x00CBC0FF, 0, 2, 99, 0, 1, 1},
    {20, "Price line Labelling", kFresh.PrimaryColour, {}, 0, 0, 99, 0x52303, 7, 7},
    {21, "Time line Labelling", 0x00808080, 0x00696969, 0, 0, 99, 0xD2303, 7, 6},
};

const char kDescription[] =
    "Buttons: <br>"
    "- Control-bar buttons are enabled for this study, for choosing Frame Size, Algorithm, Expansion factor, etc. <br>"
    "- The buttons used start from button 1 and go up to button 20 or so. <br>"
    "- Add those buttons to one of your Control Bars to make it easy to change parameters on the fly.<br>"
    "<br>"
    "Circles of Conflict: <br>"
    "- To show the circles, the Subgraph drawstyle must be anything other than 'Hidden'. <br>"
    "- Border of circles is controlled from Angle Unit field.<br>"
    "- Opacity of fill is controlled from Angle Max field. 100 is hollow, 0 is solid, 50 is half-transparent.<br>"
    "<br>"
    "Speedlines: Major<br>"
    "- To show the lines, the Subgraph drawstyle must be anything other than 'Hidden'. <br>"
    "- UPWARD speedlines thickness controlled through 'Angle Unit' field. <br>"
    "- DOWNWARD speedlines thickness controlled through 'Angle Max' field.<br>"
    "- You can use a different color for Up and Down lines.<br>"
    "<br>"
    "Speedlines: Minor<br>"
    "- Controls work in a similar way to Major speedlines above.<br>"
    "<br>"
    "Labels (for Horizontal lines):<br>"
    "- To show the labels, the Subgraph draw style must be anything other than 'Hidden'. <br>"
    "- Labels for the MM level NAMES (e.g. 8/8th, 5/8th etc.) controlled via the 'Name' field and its sub-entries.<br>"
    "- Labels for actual PRICE EQUIVALENTS of each line controlled via the 'Value' field and its sub-entries.<br>"
    "- For placement at edge of chart window to the LEFT, set position to 'Labels Column'.<br>"
    "- For placement at edge of chart window to the RIGHT, set position to 'Values Scale'.<br>"
    "- If you choose to place both Names and Prices on the same side, e.g. Left or Right, make sure you adjust the "
    "Vertical positions. Otherwise names will be obscured by the values painted on top of them.<br>"
    "- Font size for the Names is controlled through the 'Angle Unit' field.<br>"
    "- Font size for the Values is controlled through the 'Angle Max' field.<br>"
    "- If you untick the 'Label' field, then standard MM line colours are used for each label, eg. Blue, Yellow, "
    "Red, Green, etc.<br>"
    "- If you keep 'Label' ticked, then a unified colour is used for Names, and a unified colour for Values.<br>"
    "- You can set your own colours.<br>";

class DefaultsCall : public ::testing::Test {
protected:
    DefaultsCall() : study(chart, Library().studyFunction(), 3) {
        chart.bars.Append(0, 1, 2, 0.5f, 1.5f);
        study.CallDefaults();
    }
    Chart chart;
    StudyInstance study;
};

TEST_F(DefaultsCall, DeclaresTheStudyName) {
    EXPECT_EQ(TextView(study.record().StudyName), "Kovra Math RT Intraday");
    EXPECT_EQ(TextView(study.record().StudyName), Library().name());
}

TEST_F(DefaultsCall, DeclaresEveryInputOfTheTable) {
    for (const InputRow& row : kInputs) {
        SCOPED_TRACE(row.name);
        const StudyInput& input = study.inputs()[static_cast<size_t>(row.position)];
        EXPECT_EQ(TextView(input.Name), row.name);
        EXPECT_EQ(input.TypeCode, row.type);
        EXPECT_EQ(input.Value, row.value);
        EXPECT_EQ(TextView(input.ListItems), row.items != nullptr ? row.items : "");
        EXPECT_EQ(TextView(input.Description), row.description);
    }
    for (int undeclared : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 17}) {
        const StudyInput& input = study.inputs()[static_cast<size_t>(undeclared)];
        EXPECT_EQ(input.Name.Length, 0) << undeclared;
        EXPECT_EQ(input.TypeCode, 0) << undeclared;
    }
}

TEST_F(DefaultsCall, DeclaresEverySubgraphOfTheTables) {
    for (const SubgraphRow& row : kSubgraphs) {
        SCOPED_TRACE(row.position);
        const StudySubgraph& s = study.subgraphs()[static_cast<size_t>(row.position)];
        EXPECT_EQ(TextView(s.Name), row.name);
        EXPECT_EQ(s.PrimaryColour, row.primary);
        EXPECT_EQ(s.SecondaryColour, row.secondary.value_or(kFresh.SecondaryColour));
        EXPECT_EQ(s.DrawStyle, row.drawStyle);
        EXPECT_EQ(s.LineStyle, row.lineStyle);
        EXPECT_EQ(s.LineWidth, row.lineWidth);
        EXPECT_EQ(s.LabelSettings, row.labelSettings);
        EXPECT_EQ(s.LabelFlag, 0);
        EXPECT_EQ(s.AngleUnit, row.angleUnit);
        EXPECT_EQ(s.AngleMax, row.angleMax);
    }
    for (int untouched : {16, 17, 22, 31}) {
        const StudySubgraph& s = study.subgraphs()[static_cast<size_t>(untouched)];
        EXPECT_EQ(s.Name.Length, 0) << untouched;
        EXPECT_EQ(s.DrawStyle, kFresh.DrawStyle) << untouched;
        EXPECT_EQ(s.LineWidth, kFresh.LineWidth) << untouched;
    }
}

TEST_F(DefaultsCall, SetsTheHostSettingsOurHostIgnores) {
    const HostStudyInterface& r = study.record();
    EXPECT_EQ(std::vector<int32_t>(r.IgnoredStudySettings, r.IgnoredStudySettings + 6),
              (std::vector<int32_t>{1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(r.IgnoredStudySetting16, 3);
    for (int position : {15, 18, 19, 20, 21}) {
        EXPECT_EQ(study.subgraphs()[static_cast<size_t>(position)].IgnoredDisplayFlagA, 0) << position;
        EXPECT_EQ(study.subgraphs()[static_cast<size_t>(position)].IgnoredDisplayFlagB, 4) << position;
    }
}

TEST_F(DefaultsCall, BuildsTheDescriptionByteForByte) {
    EXPECT_EQ(TextView(study.record().StudyDescription), kDescription);
}

TEST_F(DefaultsCall, TouchesNoSeriesPersistentIntegerButtonOrDrawing) {
    for (int32_t subgraph = 0; subgraph < 32; ++subgraph) EXPECT_FALSE(study.SeriesFetched(subgraph)) << subgraph;
    EXPECT_TRUE(study.persistentIntegers().empty());
    for (const ControlBarButton& button : chart.controlBar.buttons()) {
        EXPECT_EQ(button.Label.Length, 0);
        EXPECT_EQ(button.Hover.Length, 0);
        EXPECT_EQ(button.Pushed, 0);
    }
    EXPECT_TRUE(chart.drawings.all().empty());
    EXPECT_EQ(chart.drawings.ClearsOf(3), 0);
    EXPECT_EQ(study.record().RecalculationRequested, 0);
}

TEST(DefaultsCallOnAHostWithText, AppendsTheDescriptionAfterWhatTheHostHolds) {
    Chart chart;
    StudyInstance study(chart, Library().studyFunction(), 1);
    study.record().TextAssign(&study.record(), &study.record().StudyDescription, "Host text. ");
    study.CallDefaults();
    EXPECT_EQ(TextView(study.record().StudyDescription), std::string("Host text. ") + kDescription);
}

TEST(DefaultsCallOnAHostWithText, SkipsOperationsTheHostDoesNotOffer) {
    Chart chart;
    InstanceOptions options;
    options.offerListItems = false;
    options.offerDescription = false;
    StudyInstance study(chart, Library().studyFunction(), 1, options);
    study.CallDefaults();
    const StudyInput& frameSize = study.inputs()[11];
    EXPECT_EQ(TextView(frameSize.Name), "Frame Size");
    EXPECT_EQ(frameSize.ListItems.Length, 0);
    EXPECT_EQ(frameSize.Description.Length, 0);
    EXPECT_EQ(frameSize.Value, 2.0f);
}

// Hosts that offer fewer entries than the study's positions: the access rule hands
// out the spare or the last element, and the study still runs every bar.
TEST(SmallHosts, StudyRunsToCompletionWithFewerInputsAndSubgraphs) {
    for (const int count : {0, 1, 5, 12, 17}) {
        SCOPED_TRACE(count);
        Chart chart;
        for (int bar = 0; bar < 40; ++bar)
            chart.bars.Append(bar * 60'000'000LL, 100.0f + static_cast<float>(bar % 7), 103.0f + static_cast<float>(bar % 5),
                              98.0f - static_cast<float>(bar % 3), 101.0f);
        InstanceOptions options;
        options.inputCount = count;
        options.subgraphCount = count;
        StudyInstance study(chart, Library().studyFunction(), 1, options);
        study.CallDefaults();
        for (int32_t bar = 0; bar < chart.bars.size(); ++bar) study.CallBar(bar);
        study.CallBar(chart.bars.size() - 1);
        if (count == 0) {
            EXPECT_EQ(study.record().Subgraphs.Count, 0);
        }
    }
}

// An allocation failure on the host affects only the text concerned.
TEST(DefaultsCallUnderAllocationFailure, GoesOnAndLeavesFailedTextsEmpty) {
    Chart chart;
    StudyInstance study(chart, Library().studyFunction(), 1);
    chart.texts.FailAfter(0);
    study.CallDefaults();
    chart.texts.FailAfter(-1);
    EXPECT_EQ(study.record().StudyName.Length, 0);
    EXPECT_EQ(study.inputs()[11].Value, 2.0f);
    EXPECT_EQ(study.subgraphs()[18].LineWidth, 99);
}

}  // namespace
