// Circles of conflict: three concentric ellipses on each of nine centres of the
// frame's lattice of time and price eighths.
#include <array>

#include "drawing/BarIndex.h"
#include "drawing/DrawingIdentifiers.h"
#include "drawing/DrawingSteps.h"
#include "drawing/FindSettingsSubgraph.h"
#include "drawing/FrameGeometry.h"
#include "drawing/SubmitDrawing.h"
#include "layout/StudyLayout.h"

namespace kovra::drawing {

namespace {

constexpr SettingsSet kFallback = {0x696969, 0x808080, 1, 30, kLineStyleDashDot, kDrawStyleLine, 0, 0};

struct Centre {
    int32_t eighth;  // time eighth from the frame's first bar
    int32_t level;   // price level from the 0/8th line
};

constexpr std::array<Centre, 9> kCentres = {{
    {2, 2},
    {4, 4},
    {6, 2},
    {2, 6},
    {6, 6},
    {2, -2},
    {6, -2},
    {2, 10},
    {6, 10},
}};
constexpr std::array<float, 3> kSizes = {4.0f, 2.0f, 1.0f};  // in eighths

}  // namespace

void DrawCirclesOfConflict(HostStudyInterface& host, const FrameGeometry& g) {
    const SettingsSet settings = FindSettingsSubgraph(host, layout::kCirclesSettings.name, kFallback);
    if (HidesStep(settings)) return;
    for (size_t n = 0; n < kCentres.size(); ++n) {
        const float centreBar = g.EighthBar(kCentres[n].eighth);
        const float centrePrice = g.LevelPrice(kCentres[n].level);
        for (size_t sizeIndex = 0; sizeIndex < kSizes.size(); ++sizeIndex) {
            // Products in 32-bit float, halving and the corners in 64-bit, narrowed back.
            const double halfBars = static_cast<double>(kSizes[sizeIndex] * g.barEighth) * 0.5;
            const double halfPrice = static_cast<double>(kSizes[sizeIndex] * g.priceEighth) * 0.5;
            SubmitFreshDrawing(host, [&](DrawingRequest& r) {
                r.DrawingType = kDrawingEllipse;
                // Outward to whole bars, so the ellipse covers every bar it touches.
                r.FirstBar = FloorToInt32(static_cast<float>(static_cast<double>(centreBar) - halfBars));
                r.SecondBar = CeilToInt32(static_cast<float>(static_cast<double>(centreBar) + halfBars));
                r.FirstPrice = static_cast<float>(static_cast<double>(centrePrice) + halfPrice);
                r.SecondPrice = static_cast<float>(static_cast<double>(centrePrice) - halfPrice);
                r.LineColour = settings.primaryColour;
                r.FillColour = settings.secondaryColour;
                r.PenWidth = SaturateToInt16(settings.angleUnit);
                r.FillTransparency = settings.angleMax;
                r.PenStyle = settings.lineStyle;
                r.DrawingId =
                    StepDrawingIdentifier(host.StudyIdentifier, static_cast<int32_t>(500 + 3 * n + sizeIndex));
                r.RequestMode = kRequestAddOrReplace;
            });
        }
    }
}

}  // namespace kovra::drawing
