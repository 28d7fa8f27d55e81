// The ten steps of the drawing pass. Each takes the pass arguments unchanged:
// the 8/8th and 0/8th prices and the frame's start and end bars.
#pragma once

#include <cstdint>

#include "study/HostStudyInterface.h"

#define KOVRA_DRAWING_STEP(name) \
    void name(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar, int32_t frameEndBar)

KOVRA_DRAWING_STEP(DrawCirclesOfConflict);
KOVRA_DRAWING_STEP(DrawFrameExtensions);
KOVRA_DRAWING_STEP(DrawMinorSpeedlines);
KOVRA_DRAWING_STEP(DrawMajorSpeedlines);
KOVRA_DRAWING_STEP(DrawPriceLineNames);
KOVRA_DRAWING_STEP(DrawPriceLineValues);
KOVRA_DRAWING_STEP(DrawTimeLineEighths);
KOVRA_DRAWING_STEP(DrawTimeLineDates);
KOVRA_DRAWING_STEP(DrawGridLines);
KOVRA_DRAWING_STEP(DrawEighthLines);

#undef KOVRA_DRAWING_STEP
