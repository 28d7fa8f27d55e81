#include "drawing/RunDrawingPass.h"

#include "drawing/DrawingSteps.h"

void RunDrawingPass(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar,
                    int32_t frameEndBar) {
    // Circles first, so every other drawing is submitted over them; the grid last.
    DrawCirclesOfConflict(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawFrameExtensions(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawMinorSpeedlines(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawMajorSpeedlines(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawPriceLineNames(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawPriceLineValues(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawTimeLineEighths(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawTimeLineDates(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawGridLines(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
    DrawEighthLines(host, topPrice, bottomPrice, frameStartBar, frameEndBar);
}
