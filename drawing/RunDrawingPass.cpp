#include "drawing/RunDrawingPass.h"

#include "drawing/DrawingSteps.h"

namespace kovra::drawing {

namespace {

// Circles first, so every other drawing is submitted over them; the grid last.
constexpr DrawingStep kDrawingPass[] = {
    DrawCirclesOfConflict,
    DrawFrameExtensions,
    DrawSpeedlines<Speedlines::Minor>,
    DrawSpeedlines<Speedlines::Major>,
    DrawPriceLabels<PriceLabels::Names>,
    DrawPriceLabels<PriceLabels::Values>,
    DrawTimeLabels<TimeLabels::Eighths>,
    DrawTimeLabels<TimeLabels::Dates>,
    DrawGridLines,
    DrawEighthLines,
};

}  // namespace

void RunDrawingPass(HostStudyInterface& host, const FrameGeometry& geometry) {
    for (const DrawingStep step : kDrawingPass) step(host, geometry);
}

}  // namespace kovra::drawing
