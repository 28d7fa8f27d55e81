// The marks along the time axis at the frame's whole-bar eighths: the eighth's
// number above the +2/8th line and its bar's date and time below the -2/8th
// line. Both rows are one procedure driven by the settings of "Time line Labelling".
#include <array>

#include "drawing/BarIndex.h"
#include "drawing/DateText.h"
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
// Eighths this far apart have room for the "i/8" form.
constexpr float kWideEighth = 3.0f;

void WriteEighthNumber(HostStudyInterface& host, const FrameGeometry& geometry, int32_t i, int64_t, HostText& text) {
    host.TextFormat(&host, &text, geometry.barEighth >= kWideEighth ? "%i/8" : "%i", i);
}

// Built apart from the request, then copied into it.
void WriteDateAndTime(HostStudyInterface& host, const FrameGeometry&, int32_t, int64_t dateTime, HostText& text) {
    const DateTextParts parts = SplitDateTime(dateTime);
    record::ScopedHostText built(host);
    host.TextAppendFormat(&host, &built.text(), "%i/", parts.month);
    host.TextAppendFormat(&host, &built.text(), "%i", parts.day);
    host.TextAppendFormat(&host, &built.text(), "\n%i:", parts.hour);
    host.TextAppendFormat(&host, &built.text(), "%02d", parts.minute);
    host.TextAssign(&host, &text, built.chars());
}

// The eighths stand on the +2/8th line, the dates hang below the -2/8th line.
float AboveTopExtension(const FrameGeometry& g) { return g.priceHigh + (g.priceEighth + g.priceEighth); }
float BelowBottomExtension(const FrameGeometry& g) { return g.priceLow - (g.priceEighth + g.priceEighth); }

struct TimeLabelFamily {
    LabelColumn column;
    int32_t identifierMultiplier;
    float (*price)(const FrameGeometry& geometry);
    // For the first eighth, the ones between, and the last.
    std::array<int32_t, 3> alignments;
    void (*writeText)(HostStudyInterface& host, const FrameGeometry& geometry, int32_t i, int64_t dateTime,
                      HostText& text);
};

// The eighths stand on their line, the dates hang from theirs; the first is
// left-aligned, the last right-aligned, those between centred.
constexpr TimeLabelFamily kEighths{LabelColumn::Name,
                                   25000,
                                   &AboveTopExtension,
                                   {kAlignBottom + kAlignLeft, kAlignBottom + kAlignCentre, kAlignBottom + kAlignRight},
                                   &WriteEighthNumber};
constexpr TimeLabelFamily kDates{LabelColumn::Value,
                                 26000,
                                 &BelowBottomExtension,
                                 {kAlignTop + kAlignLeft, kAlignTop + kAlignCentre, kAlignTop + kAlignRight},
                                 &WriteDateAndTime};

int32_t AlignmentOf(const TimeLabelFamily& family, int32_t i) {
    if (i == 0) return family.alignments[0];
    if (i == 8) return family.alignments[2];
    return family.alignments[1];
}

}  // namespace

template <TimeLabels which>
void DrawTimeLabels(HostStudyInterface& host, const FrameGeometry& geometry) {
    const TimeLabelFamily& family = which == TimeLabels::Eighths ? kEighths : kDates;
    const LabelStyle style = FindLabelStyle(host, layout::kTimeLabelSettings.name, family.column);
    if (!style.drawn) return;
    const std::array<uint32_t, 9> levelColours = GatherNineLevelColours(host);
    const float price = family.price(geometry);

    for (int32_t i = 0; i <= 8; ++i) {
        const float position = geometry.EighthBar(i);
        if (!IsWholeBar(position)) continue;
        const int64_t dateTime = record::HostArrayAccess(host, host.BarDateTimes, TruncateToInt32(position));
        SubmitFreshDrawing(host, [&](DrawingRequest& request) {
            request.DrawingType = kDrawingText;
            request.RequestMode = kRequestAddOrReplace;
            request.DrawingId = DrawingIdentifier(host.StudyIdentifier, family.identifierMultiplier, i);
            family.writeText(host, geometry, i, dateTime, request.DrawingText);
            request.FirstPrice = price;
            request.FirstDateTime = dateTime;
            request.TextAlignment = AlignmentOf(family, i);
            request.TextOptionB = 0;
            request.TextFlag = style.textFlag;
            request.LineColour = style.LineColour(levelColours[static_cast<size_t>(i)]);
            request.FontSize = style.fontSize;
        });
    }
}

template void DrawTimeLabels<TimeLabels::Eighths>(HostStudyInterface& host, const FrameGeometry& geometry);
template void DrawTimeLabels<TimeLabels::Dates>(HostStudyInterface& host, const FrameGeometry& geometry);

}  // namespace kovra::drawing
