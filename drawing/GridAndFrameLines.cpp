// The frame's grid: horizontal level lines, vertical eighth lines and the two
// frame-extension rectangles. None has a settings subgraph, so none can be hidden.
#include <array>

#include "drawing/BarIndex.h"
#include "drawing/DrawingIdentifiers.h"
#include "drawing/DrawingSteps.h"
#include "drawing/FrameGeometry.h"
#include "drawing/LevelColours.h"
#include "drawing/SubmitDrawing.h"

namespace kovra::drawing {

namespace {

constexpr uint32_t kExtensionBorder = 0x0000FF00;

struct GridLine {
    int32_t level;        // k: price priceLow + k x priceEighth
    int32_t colourEntry;  // entry of the extended colour gathering
    int16_t width;
    int16_t style;
    int32_t offset;
};

// The -2/8th line comes before the -1/8th one and carries the higher identifier.
constexpr std::array<GridLine, 13> kGridLines = {{
    {0, 0, 2, kLineStyleSolid, 800},
    {1, 1, 1, kLineStyleSolid, 801},
    {2, 2, 1, kLineStyleSolid, 802},
    {3, 3, 1, kLineStyleSolid, 803},
    {4, 4, 2, kLineStyleSolid, 804},
    {5, 5, 1, kLineStyleSolid, 805},
    {6, 6, 1, kLineStyleSolid, 806},
    {7, 7, 1, kLineStyleSolid, 807},
    {8, 8, 2, kLineStyleSolid, 808},
    {9, 9, 1, kLineStyleDot, 809},
    {10, 10, 1, kLineStyleDot, 810},
    {-2, 11, 1, kLineStyleDot, 852},
    {-1, 12, 1, kLineStyleDot, 851},
}};

}  // namespace

void DrawGridLines(HostStudyInterface& host, const FrameGeometry& g) {
    const std::array<uint32_t, 13> colours = GatherExtendedLevelColours(host);
    const int32_t firstBar = TruncateToInt32(g.barLow);
    for (const GridLine& line : kGridLines) {
        SubmitFreshDrawing(host, [&](DrawingRequest& r) {
            r.DrawingType = kDrawingLine;
            r.FirstBar = firstBar;
            r.SecondBar = g.endBar;
            r.FirstPrice = r.SecondPrice = g.LevelPrice(line.level);
            r.LineColour = colours[static_cast<size_t>(line.colourEntry)];
            r.PenWidth = line.width;
            r.PenStyle = line.style;
            r.DrawingId = StepDrawingIdentifier(host.StudyIdentifier, line.offset);
            r.RequestMode = kRequestAddOrReplace;
        });
    }
}

void DrawEighthLines(HostStudyInterface& host, const FrameGeometry& g) {
    const std::array<uint32_t, 9> colours = GatherNineLevelColours(host);
    for (int32_t j = 0; j <= 8; ++j) {
        const float x = g.EighthBar(j);
        // A line only where an eighth falls on a whole bar (a 4-bar frame skips the odd ones).
        if (!IsWholeBar(x)) continue;
        const bool frameEdge = j == 0 || j == 8;
        SubmitFreshDrawing(host, [&](DrawingRequest& r) {
            r.DrawingType = kDrawingLine;
            r.FirstBar = r.SecondBar = TruncateToInt32(x);
            // The frame's edges span 0/8th to 8/8th; the inner lines +2/8th to -2/8th.
            r.FirstPrice = frameEdge ? g.priceHigh : g.priceHigh + 2.0f * g.priceEighth;
            r.SecondPrice = frameEdge ? g.priceLow : g.priceLow - 2.0f * g.priceEighth;
            r.LineColour = colours[static_cast<size_t>(j)];
            r.PenWidth = (j % 4 == 0) ? 2 : 1;
            r.PenStyle = kLineStyleSolid;
            r.DrawingId = StepDrawingIdentifier(host.StudyIdentifier, 900 + j);
            r.RequestMode = kRequestAddOrReplace;
        });
    }
}

void DrawFrameExtensions(HostStudyInterface& host, const FrameGeometry& g) {
    DrawingRequest above;
    above.DrawingType = kDrawingRectangle;
    above.FirstBar = TruncateToInt32(g.barLow);
    above.SecondBar = TruncateToInt32(g.EighthBar(8));
    above.FirstPrice = g.priceHigh + 2.0f * g.priceEighth;
    above.SecondPrice = g.priceHigh + 4.0f * g.priceEighth;
    above.LineColour = kExtensionBorder;
    above.PenWidth = 0;
    above.FillColour = host.HostChartColour;
    above.FillTransparency = 0;
    above.TargetChart = host.HostChartId;
    above.DrawingId = StepDrawingIdentifier(host.StudyIdentifier, 1000);
    SubmitUnlessSuppressed(host, above);

    // The second rectangle is the first as the host left it; only its prices and
    // identifier change. It gets its own copy of any text, so each request
    // releases only what it owns.
    DrawingRequest below = above;
    below.DrawingText = HostText{nullptr, 0, 0};
    if (above.DrawingText.Chars != nullptr) host.TextAssign(&host, &below.DrawingText, above.DrawingText.Chars);
    below.FirstPrice = g.priceLow - 2.0f * g.priceEighth;
    below.SecondPrice = g.priceLow - 4.0f * g.priceEighth;
    below.DrawingId = DrawingIdentifier(above.DrawingId, 1, 1);
    SubmitUnlessSuppressed(host, below);

    ReleaseRequestText(host, above);
    ReleaseRequestText(host, below);
}

}  // namespace kovra::drawing
