// The drawing pass: the current frame's picture, drawn on the chart's last bar.
#pragma once

#include <cstdint>

#include "study/HostStudyInterface.h"

// Runs the ten drawing steps in their fixed order with the same arguments.
void RunDrawingPass(HostStudyInterface& host, float topPrice, float bottomPrice, int32_t frameStartBar,
                    int32_t frameEndBar);
