// Circles of conflict: three concentric ellipses on each of nine centres of the
// frame's lattice of time and price eighths.
#include <array>

#include "drawing/BarIndex.h"
#include "drawing/DrawingIdentifiers.h"
#include "drawing/DrawingSteps.h"
#include "drawing/FindSettingsSubgraph.h"
#include "drawing/FrameGeometry.h"
#include "drawing/SubmitDrawing.h"

namespace {

constexpr int32_t kEllipse = 13;
constexpr int32_t kAddOrReplace = 1;
constexpr const char* kSettingsName = "Circles of Conflict Border/Fill";
constexpr SettingsSet kFallback = {0x696969, 0x808080, 1, 30, 3, 0, 0, 0};

struct Centre {
    int32_t eighth;  // time eighth from the frame's first bar
    int32_t level;   // price level from the 0/8th line
};

constexpr std::array<Centre, 9> kCentres = {{
    {2, 2}, {4, 4}, {6, 2}, {2, 6}, {6, 6}, {2, -2}, {6, -2}, {2, 10}, {6, 10},
}};
constexpr std::array<float, 3> kSizes = {4.0f, 2.0f, 1.0f};  // in eighths

}  // namespace

void DrawCirclesOfConflict(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar,
                           int32_t frameEndBar) {
    const SettingsSet settings = FindSettingsSubgraph(host, kSettingsName, kFallback);
    if (HidesStep(settings)) return;
    const FrameGeometry g = MakeFrameGeometry(topPrice, bottomPrice, frameStartBar, frameEndBar);
    for (size_t n = 0; n < kCentres.size(); ++n) {
        const float centreBar = g.EighthBar(kCentres[n].eighth);
        const float centrePrice = g.LevelPrice(kCentres[n].level);
        for (size_t sizeIndex = 0; sizeIndex < kSizes.size(); ++sizeIndex) {
            // Products in 32-bit float, halving and the corners in 64-bit, narrowed back.
            const double halfBars = static_cast<double>(kSizes[sizeIndex] * g.barEighth) * 0.5;
            const double halfPrice = static_cast<double>(kSizes[sizeIndex] * g.priceEighth) * 0.5;
            SubmitFreshDrawing(host, [&](DrawingRequest& r) {
                r.DrawingType = kEllipse;
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
                r.DrawingId = StepDrawingIdentifier(host.StudyIdentifier, static_cast<int32_t>(500 + 3 * n + sizeIndex));
                r.RequestMode = kAddOrReplace;
            });
        }
    }
}
