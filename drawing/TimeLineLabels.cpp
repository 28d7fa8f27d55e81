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
#include "study/HostArrayAccess.h"

namespace {

constexpr const char* kSettingsName = "Time line Labelling";
constexpr int32_t kTextDrawing = 6;
// Eighths this far apart have room for the "i/8" form.
constexpr float kWideEighth = 3.0f;

void WriteEighthNumber(HostStudyInterface& host, const FrameGeometry& geometry, int32_t i, int64_t, HostText& text) {
    host.TextFormat(&host, &text, geometry.barEighth >= kWideEighth ? "%i/8" : "%i", i);
}

// Built apart from the request, then copied into it.
void WriteDateAndTime(HostStudyInterface& host, const FrameGeometry&, int32_t, int64_t dateTime, HostText& text) {
    const DateTextParts parts = SplitDateTime(dateTime);
    HostText built{nullptr, 0, 0};
    host.TextAppendFormat(&host, &built, "%i/", parts.month);
    host.TextAppendFormat(&host, &built, "%i", parts.day);
    host.TextAppendFormat(&host, &built, "\n%i:", parts.hour);
    host.TextAppendFormat(&host, &built, "%02d", parts.minute);
    host.TextAssign(&host, &text, built.Chars != nullptr ? built.Chars : "");
    host.TextAssign(&host, &built, nullptr);
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

// Alignments: bottom (8) or top (0), plus left / centre / right (0 / 1 / 2).
constexpr TimeLabelFamily kEighths{LabelColumn::Name, 25000, &AboveTopExtension, {8, 9, 10}, &WriteEighthNumber};
constexpr TimeLabelFamily kDates{LabelColumn::Value, 26000, &BelowBottomExtension, {0, 1, 2}, &WriteDateAndTime};

int32_t AlignmentOf(const TimeLabelFamily& family, int32_t i) {
    if (i == 0) return family.alignments[0];
    if (i == 8) return family.alignments[2];
    return family.alignments[1];
}

void DrawTimeLabels(HostStudyInterface& host, const TimeLabelFamily& family, float topPrice, float bottomPrice,
                    int32_t frameStartBar, int32_t frameEndBar) {
    const LabelStyle style = FindLabelStyle(host, kSettingsName, family.column);
    if (!style.drawn) return;
    const FrameGeometry geometry = MakeFrameGeometry(topPrice, bottomPrice, frameStartBar, frameEndBar);
    const std::array<uint32_t, 9> levelColours = GatherNineLevelColours(host);
    const float price = family.price(geometry);

    for (int32_t i = 0; i <= 8; ++i) {
        const float position = geometry.EighthBar(i);
        if (!IsWholeBar(position)) continue;
        const int64_t dateTime = HostArrayAccess(host, host.BarDateTimes, TruncateToInt32(position));
        SubmitFreshDrawing(host, [&](DrawingRequest& request) {
            request.DrawingType = kTextDrawing;
            request.RequestMode = 1;
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

}  // namespace

void DrawTimeLineEighths(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar,
                         int32_t frameEndBar) {
    DrawTimeLabels(host, kEighths, topPrice, bottomPrice, frameStartBar, frameEndBar);
}

void DrawTimeLineDates(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar,
                       int32_t frameEndBar) {
    DrawTimeLabels(host, kDates, topPrice, bottomPrice, frameStartBar, frameEndBar);
}
