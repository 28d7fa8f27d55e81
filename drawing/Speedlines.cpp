// Speedlines: lines fanning out from the frame's first bar, upward from the
// 0/8th line and downward from the 8/8th line. The major and minor families
// share one procedure and differ only in their tables and settings.
#include <array>
#include <span>

#include "drawing/BarIndex.h"
#include "drawing/DrawingIdentifiers.h"
#include "drawing/DrawingSteps.h"
#include "drawing/FindSettingsSubgraph.h"
#include "drawing/FrameGeometry.h"
#include "drawing/SubmitDrawing.h"
#include "layout/StudyLayout.h"

namespace kovra::drawing {

namespace {

struct Speedline {
    int32_t endEighth;  // time eighth of the end, from the frame's first bar
    int32_t endLevel;   // price level of the end, from the 0/8th line
    int32_t offset;     // added to the study's identifier base
};

struct SpeedlineFamily {
    const char* settingsName;
    SettingsSet fallback;
    std::span<const Speedline> up;    // from the 0/8th line
    std::span<const Speedline> down;  // from the 8/8th line
};

constexpr Speedline kMajorUp[] = {{8, 8, 100}, {8, 4, 101}, {8, 2, 102}, {4, 8, 103}};
constexpr Speedline kMajorDown[] = {{8, 0, 200}, {8, 4, 201}, {8, 6, 202}, {4, 0, 203}};
constexpr Speedline kMinorUp[] = {{2, 8, 300}, {6, 8, 301}, {8, 6, 302}};
constexpr Speedline kMinorDown[] = {{2, 0, 400}, {6, 0, 401}, {8, 2, 402}};

const SpeedlineFamily kMajor = {layout::kMajorSpeedlinesSettings.name,
                                {0xFF0000, 0x000080, 1, 1, kLineStyleSolid, kDrawStyleLine, 0, 0},
                                kMajorUp,
                                kMajorDown};
const SpeedlineFamily kMinor = {layout::kMinorSpeedlinesSettings.name,
                                {0x000080, 0x00A5FF, 1, 1, kLineStyleDash, kDrawStyleLine, 0, 0},
                                kMinorUp,
                                kMinorDown};

// Lines of one direction, all starting on the frame's first bar at `startLevel`.
// The line crossing the whole frame to the opposite edge gets twice the width.
void DrawDirection(HostStudyInterface& host, const FrameGeometry& g, std::span<const Speedline> lines,
                   int32_t startLevel, uint32_t colour, int32_t width, int16_t style) {
    const int32_t oppositeLevel = 8 - startLevel;
    for (const Speedline& line : lines) {
        const bool crossesFrame = line.endEighth == 8 && line.endLevel == oppositeLevel;
        SubmitFreshDrawing(host, [&](DrawingRequest& r) {
            r.DrawingType = kDrawingLine;
            r.FirstBar = TruncateToInt32(g.EighthBar(0));
            r.SecondBar = TruncateToInt32(g.EighthBar(line.endEighth));
            r.FirstPrice = g.LevelPrice(startLevel);
            r.SecondPrice = g.LevelPrice(line.endLevel);
            r.LineColour = colour;
            r.PenStyle = style;
            r.PenWidth = SaturateToInt16(crossesFrame ? 2 * int64_t{width} : int64_t{width});
            r.DrawingId = StepDrawingIdentifier(host.StudyIdentifier, line.offset);
            r.RequestMode = kRequestAddOrReplace;
        });
    }
}

}  // namespace

template <Speedlines family>
void DrawSpeedlines(HostStudyInterface& host, const FrameGeometry& g) {
    const SpeedlineFamily& lines = family == Speedlines::Major ? kMajor : kMinor;
    const SettingsSet settings = FindSettingsSubgraph(host, lines.settingsName, lines.fallback);
    if (HidesStep(settings)) return;
    DrawDirection(host, g, lines.up, 0, settings.primaryColour, settings.angleUnit, settings.lineStyle);
    DrawDirection(host, g, lines.down, 8, settings.secondaryColour, settings.angleMax, settings.lineStyle);
}

template void DrawSpeedlines<Speedlines::Minor>(HostStudyInterface& host, const FrameGeometry& geometry);
template void DrawSpeedlines<Speedlines::Major>(HostStudyInterface& host, const FrameGeometry& geometry);

}  // namespace kovra::drawing
