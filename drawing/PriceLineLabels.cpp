// The labels beside the thirteen price lines: each line's name and its price.
// Both families are one procedure driven by the settings of "Price line Labelling".
#include <array>
#include <string>

#include "drawing/DrawingIdentifiers.h"
#include "drawing/DrawingSteps.h"
#include "drawing/FrameGeometry.h"
#include "drawing/LabelSettings.h"
#include "drawing/LevelColours.h"
#include "drawing/SubmitDrawing.h"
#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"
#include "record/HostTexts.h"

namespace kovra::drawing {

namespace {

enum class Anchor : uint8_t { FrameStartBar, DateTimeZero, FrameEndDateTime, RightEdge };
enum class Blank : uint8_t { None, InFront, Behind };

// The placement rows, applied in this order on top of each other.
struct PlacementRow {
    uint32_t nameBit;
    uint32_t valueBit;
    Anchor anchor;
    int32_t horizontal;
    Blank blank;
};
constexpr PlacementRow kPlacementRows[] = {
    {0x10000, 0x20000, Anchor::FrameStartBar, kAlignRight, Blank::Behind},
    {0x80, 0x8000, Anchor::FrameStartBar, kAlignLeft, Blank::InFront},
    {0x100000, 0x200000, Anchor::DateTimeZero, kAlignLeft, Blank::None},
    {0x20, 0x2000, Anchor::FrameEndDateTime, kAlignLeft, Blank::InFront},
    {0x4, 0x400, Anchor::FrameEndDateTime, kAlignRight, Blank::Behind},
    {0x40, 0x4000, Anchor::RightEdge, kAlignRight, Blank::None},
};
constexpr uint32_t kBottomName = 0x8, kBottomValue = 0x800;
constexpr uint32_t kTopName = 0x10, kTopValue = 0x1000;

// Where every label of a family goes; the same for all thirteen lines.
struct Placement {
    int32_t firstBar = kNotGivenInteger;
    int64_t firstDateTime = kLeftEdgeMarker;
    int32_t alignment = kAlignLeft;
    int32_t blanksInFront = 0;
    int32_t blanksBehind = 0;
};

Placement PlaceLabels(uint32_t word, LabelColumn column, int32_t frameStart, int64_t frameEndDateTime) {
    Placement placement;
    for (const PlacementRow& row : kPlacementRows) {
        if ((word & ColumnBit(column, row.nameBit, row.valueBit)) == 0) continue;
        switch (row.anchor) {
            case Anchor::FrameStartBar:
                placement.firstBar = frameStart;
                break;
            case Anchor::DateTimeZero:
                placement.firstDateTime = 0;
                break;
            case Anchor::FrameEndDateTime:
                placement.firstDateTime = frameEndDateTime;
                break;
            case Anchor::RightEdge:
                placement.firstDateTime = kRightEdgeMarker;
                break;
        }
        placement.alignment = row.horizontal;
        if (row.blank == Blank::InFront) ++placement.blanksInFront;
        if (row.blank == Blank::Behind) ++placement.blanksBehind;
    }
    if ((word & ColumnBit(column, kBottomName, kBottomValue)) != 0)
        placement.alignment += kAlignBottom;
    else if ((word & ColumnBit(column, kTopName, kTopValue)) != 0)
        placement.alignment += kAlignTop;
    else
        placement.alignment += kAlignMiddle;
    return placement;
}

// Line k: -2 .. 8 are named "k/8th", 9 and 10 "+1/8th" and "+2/8th".
void WriteLevelName(HostStudyInterface& host, int32_t k, float, HostText& text) {
    if (k > 8)
        host.TextFormat(&host, &text, "+%i/8th", k - 8);
    else
        host.TextFormat(&host, &text, "%i/8th", k);
}

void WriteLevelPrice(HostStudyInterface& host, int32_t, float price, HostText& text) {
    host.FormatValueText(&host, static_cast<double>(price), host.ValueFormat, &text);
}

struct PriceLabelFamily {
    LabelColumn column;
    int32_t identifierMultiplier;
    void (*writeText)(HostStudyInterface& host, int32_t k, float price, HostText& text);
};

constexpr PriceLabelFamily kNames{LabelColumn::Name, 10000, &WriteLevelName};
constexpr PriceLabelFamily kValues{LabelColumn::Value, 20000, &WriteLevelPrice};

}  // namespace

template <PriceLabels which>
void DrawPriceLabels(HostStudyInterface& host, const FrameGeometry& geometry) {
    const PriceLabelFamily& family = which == PriceLabels::Names ? kNames : kValues;
    const LabelStyle style = FindLabelStyle(host, layout::kPriceLabelSettings.name, family.column);
    if (!style.drawn) return;
    const std::array<uint32_t, 13> levelColours = GatherThirteenLevelColours(host);
    const int64_t frameEndDateTime = record::HostArrayAccess(host, host.BarDateTimes, geometry.endBar);
    const Placement placement = PlaceLabels(style.labelSettings, family.column, geometry.startBar, frameEndDateTime);
    const std::string blanksInFront(static_cast<size_t>(placement.blanksInFront), ' ');
    const std::string blanksBehind(static_cast<size_t>(placement.blanksBehind), ' ');

    for (int32_t k = layout::kLowestLevel; k <= layout::kHighestLevel; ++k) {
        const float price = geometry.LevelPrice(k);
        record::ScopedHostText text(host);
        family.writeText(host, k, price, text.text());
        SubmitFreshDrawing(host, [&](DrawingRequest& request) {
            request.DrawingType = kDrawingText;
            request.RequestMode = kRequestAddOrReplace;
            request.DrawingId = DrawingIdentifier(host.StudyIdentifier, family.identifierMultiplier, k);
            host.TextAssign(&host, &request.DrawingText, blanksInFront.c_str());
            host.TextAppend(&host, &request.DrawingText, text.chars());
            host.TextAppend(&host, &request.DrawingText, blanksBehind.c_str());
            request.FirstPrice = price;
            request.FirstDateTime = placement.firstDateTime;
            request.FirstBar = placement.firstBar;
            request.TextAlignment = placement.alignment;
            request.TextOptionA = 0;
            request.TextOptionB = 0;
            request.TextFlag = style.textFlag;
            request.LineColour = style.LineColour(levelColours[static_cast<size_t>(k - layout::kLowestLevel)]);
            request.FontSize = style.fontSize;
        });
    }
}

template void DrawPriceLabels<PriceLabels::Names>(HostStudyInterface& host, const FrameGeometry& geometry);
template void DrawPriceLabels<PriceLabels::Values>(HostStudyInterface& host, const FrameGeometry& geometry);

}  // namespace kovra::drawing
