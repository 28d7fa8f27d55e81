#include "study/StudyDefaults.h"

#include <cstdint>
#include <iterator>
#include <optional>

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"
#include "record/HostTexts.h"

namespace kovra::study {

namespace {

using namespace layout;
using record::HostArrayAccess;
using record::ResolveHostArray;

struct InputDeclaration {
    int32_t position;
    const char* name;
    uint8_t type;
    const char* listItems;  // null for yes/no inputs
    float value;
    const char* description;
};

constexpr InputDeclaration kFirstInputs[] = {
    {kInputFrameAlgorithm, "Frame Algorithm", kInputTypeCustomList, "Normalized;Optimized;Accelerated;Legacy", 1,
     "Different methods of calculating MM price levels <br>(Accelerated is closest to the platform's built-in "
     "formula)"},
    {kInputFrameSize, "Frame Size", kInputTypeCustomList, "4;8;16;32;64;128;256", 2,
     "Number of bars in a trading frame"},
    {kInputPriorFrameInclusion, "Prior Frame Inclusion", kInputTypeCustomList, "0%;50%;100%", 0,
     "How much of previous frame to include in the calculations"},
    {kInputPriceExtremes, "Price Extremes", kInputTypeCustomList, "HL;OC", 0,
     "Base price calculations on the Highs/Lows or Opens/Closes. Using OC means ignore price spikes"},
    {kInputShowGrid, "Show Grid", kInputTypeYesNo, nullptr, 1,
     "Show the MM price grid. Configure colours and which parts to show through the Subgraph tab in Study settings"},
};

constexpr InputDeclaration kShowFrameHistory = {
    kInputShowFrameHistory,
    "Show Frame History",
    kInputTypeYesNo,
    nullptr,
    1,
    "Show the 0/8th and 8/8th lines as they have changed with historical frame shifts that have occurred thus far."};

constexpr uint32_t kLevelColours[kLevelCount] = {
    0x00C0C0C0, 0x00808080, 0x00FF0000, 0x0000FFFF, 0x000000FF, 0x00006400, 0x00FF0000,
    0x00006400, 0x000000FF, 0x0000FFFF, 0x00FF0000, 0x00808080, 0x00C0C0C0,
};

// A setting left empty keeps what the host has.
struct SubgraphDeclaration {
    SettingsSubgraph subgraph;  // the position, and the name (null: unnamed)
    std::optional<uint32_t> primaryColour;
    std::optional<uint32_t> secondaryColour;
    int16_t drawStyle;
    std::optional<int16_t> lineStyle;
    int16_t lineWidth;
    std::optional<uint32_t> labelSettings;  // with LabelFlag off
    std::optional<float> angleUnit;
    std::optional<float> angleMax;
};

const SubgraphDeclaration kSettingsSubgraphs[] = {
    {kCirclesSettings,
     0x00FFFF00,
     0x00808000,
     kDrawStyleLine,
     kLineStyleDashDotDot,
     kSettingsLineWidth,
     {},
     0.0f,
     60.0f},
    {kMajorSpeedlinesSettings,
     0x00ED9564,
     0x00FF901E,
     kDrawStyleLine,
     kLineStyleSolid,
     kSettingsLineWidth,
     {},
     1.0f,
     1.0f},
    {kMinorSpeedlinesSettings,
     0x007280FA,
     0x00CBC0FF,
     kDrawStyleLine,
     kLineStyleDot,
     kSettingsLineWidth,
     {},
     1.0f,
     1.0f},
    {kPriceLabelSettings, {}, {}, kDrawStyleLine, {}, kSettingsLineWidth, 0x52303, 7.0f, 7.0f},
    {kTimeLabelSettings, 0x00808080, 0x00696969, kDrawStyleLine, {}, kSettingsLineWidth, 0xD2303, 7.0f, 6.0f},
};

const SubgraphDeclaration kExtremeSubgraphs[] = {
    {{kSubgraphUpperExtreme, nullptr}, 0x000000FF, {}, kDrawStyleHidden, {}, 2, {}, {}, {}},
    {{kSubgraphLowerExtreme, nullptr}, 0x0000FF00, {}, kDrawStyleHidden, {}, 2, {}, {}, {}},
};

constexpr uint32_t kTopBottomLabelSettings = 0x4100;

// The description shown in the settings dialog; each "<br>" is a line break.
constexpr const char* kDescriptionPieces[] = {
    "Buttons: <br>",
    "- Control-bar buttons are enabled for this study, for choosing Frame Size, Algorithm, Expansion factor, etc. <br>",
    "- The buttons used start from button 1 and go up to button 20 or so. <br>",
    "- Add those buttons to one of your Control Bars to make it easy to change parameters on the fly.<br>",
    "<br>",
    "Circles of Conflict: <br>",
    "- To show the circles, the Subgraph drawstyle must be anything other than 'Hidden'. <br>",
    "- Border of circles is controlled from Angle Unit field.<br>",
    "- Opacity of fill is controlled from Angle Max field. 100 is hollow, 0 is solid, 50 is half-transparent.<br>",
    "<br>",
    "Speedlines: Major<br>",
    "- To show the lines, the Subgraph drawstyle must be anything other than 'Hidden'. <br>",
    "- UPWARD speedlines thickness controlled through 'Angle Unit' field. <br>",
    "- DOWNWARD speedlines thickness controlled through 'Angle Max' field.<br>",
    "- You can use a different color for Up and Down lines.<br>",
    "<br>",
    "Speedlines: Minor<br>",
    "- Controls work in a similar way to Major speedlines above.<br>",
    "<br>",
    "Labels (for Horizontal lines):<br>",
    "- To show the labels, the Subgraph draw style must be anything other than 'Hidden'. <br>",
    "- Labels for the MM level NAMES (e.g. 8/8th, 5/8th etc.) controlled via the 'Name' field and its sub-entries.<br>",
    "- Labels for actual PRICE EQUIVALENTS of each line controlled via the 'Value' field and its sub-entries.<br>",
    "- For placement at edge of chart window to the LEFT, set position to 'Labels Column'.<br>",
    "- For placement at edge of chart window to the RIGHT, set position to 'Values Scale'.<br>",
    "- If you choose to place both Names and Prices on the same side, e.g. Left or Right, make sure you adjust the "
    "Vertical positions. Otherwise names will be obscured by the values painted on top of them.<br>",
    "- Font size for the Names is controlled through the 'Angle Unit' field.<br>",
    "- Font size for the Values is controlled through the 'Angle Max' field.<br>",
    "- If you untick the 'Label' field, then standard MM line colours are used for each label, eg. Blue, Yellow, Red, "
    "Green, etc.<br>",
    "- If you keep 'Label' ticked, then a unified colour is used for Names, and a unified colour for Values.<br>",
    "- You can set your own colours.<br>",
};
static_assert(std::size(kDescriptionPieces) == 31);

void DeclareInput(HostStudyInterface& host, const InputDeclaration& declaration) {
    StudyInput& input = HostArrayAccess(host, host.Inputs, declaration.position);
    host.TextAssign(&host, &input.Name, declaration.name);
    if (declaration.listItems != nullptr && host.SetInputListItems != nullptr)
        host.SetInputListItems(&host, &input, declaration.listItems);
    input.TypeCode = declaration.type;
    input.Value = declaration.value;
    if (host.SetInputDescription != nullptr) host.SetInputDescription(&host, &input, declaration.description);
}

void DeclareLevelSubgraphs(HostStudyInterface& host) {
    for (int32_t position = 0; position < kLevelCount; ++position) {
        StudySubgraph& subgraph = HostArrayAccess(host, host.Subgraphs, position);
        const int32_t level = kSubgraphBottom - position;
        if (position < kSubgraphTop)
            host.TextFormat(&host, &subgraph.Name, "+%i/8th", level - 8);
        else
            host.TextFormat(&host, &subgraph.Name, "%i/8th", level);
        subgraph.PrimaryColour = kLevelColours[position];
        subgraph.DrawStyle = kDrawStyleDashes;
        const bool extension = position < kSubgraphTop || position > kSubgraphBottom;
        if (extension) subgraph.LineStyle = kLineStyleDash;
    }
}

void DeclareSubgraph(HostStudyInterface& host, const SubgraphDeclaration& declaration) {
    StudySubgraph& subgraph = HostArrayAccess(host, host.Subgraphs, declaration.subgraph.position);
    if (declaration.subgraph.name != nullptr) host.TextAssign(&host, &subgraph.Name, declaration.subgraph.name);
    if (declaration.primaryColour) subgraph.PrimaryColour = *declaration.primaryColour;
    if (declaration.secondaryColour) subgraph.SecondaryColour = *declaration.secondaryColour;
    subgraph.DrawStyle = declaration.drawStyle;
    if (declaration.lineStyle) subgraph.LineStyle = *declaration.lineStyle;
    subgraph.LineWidth = declaration.lineWidth;
    if (declaration.labelSettings) {
        subgraph.LabelSettings = *declaration.labelSettings;
        subgraph.LabelFlag = 0;
    }
    if (declaration.angleUnit) subgraph.AngleUnit = *declaration.angleUnit;
    if (declaration.angleMax) subgraph.AngleMax = *declaration.angleMax;
}

void SetIgnoredHostSettings(HostStudyInterface& host) {
    constexpr int32_t kStudySettings[6] = {1, 1, 1, 1, 0, 0};
    for (int i = 0; i < 6; ++i) host.IgnoredStudySettings[i] = kStudySettings[i];
    host.IgnoredStudySetting16 = 3;
}

void SetIgnoredSubgraphSettings(HostStudyInterface& host) {
    for (const SubgraphDeclaration& declaration : kSettingsSubgraphs) {
        StudySubgraph& subgraph = HostArrayAccess(host, host.Subgraphs, declaration.subgraph.position);
        subgraph.IgnoredDisplayFlagA = 0;
        subgraph.IgnoredDisplayFlagB = 4;
    }
    if (!ResolveHostArray(host, host.Subgraphs)) return;
    for (int32_t i = 0; i < host.Subgraphs.Count; ++i) host.Subgraphs.Data[i].IgnoredDisplaySetting = 0;
}

void AppendDescription(HostStudyInterface& host) {
    record::ScopedHostText description(host);
    for (const char* piece : kDescriptionPieces) host.TextAppend(&host, &description.text(), piece);
    host.TextAppend(&host, &host.StudyDescription, description.chars());
}

}  // namespace

void DeclareStudyDefaults(HostStudyInterface& host, const StudyEntries& entries) {
    host.TextAssign(&host, &host.StudyName, kStudyName);
    SetIgnoredHostSettings(host);
    AppendDescription(host);
    for (const InputDeclaration& input : kFirstInputs) DeclareInput(host, input);
    DeclareLevelSubgraphs(host);
    DeclareInput(host, kShowFrameHistory);
    for (const SubgraphDeclaration& subgraph : kSettingsSubgraphs) DeclareSubgraph(host, subgraph);
    for (const SubgraphDeclaration& subgraph : kExtremeSubgraphs) DeclareSubgraph(host, subgraph);
    entries.top->LabelSettings = kTopBottomLabelSettings;
    entries.bottom->LabelSettings = kTopBottomLabelSettings;
    SetIgnoredSubgraphSettings(host);
}

}  // namespace kovra::study
