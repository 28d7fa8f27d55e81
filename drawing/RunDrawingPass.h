// The drawing pass: the current frame's picture, drawn on the chart's last bar.
#pragma once

#include "drawing/FrameGeometry.h"
#include "record/HostStudyInterface.h"

namespace kovra::drawing {

// Runs the drawing steps in their fixed order over one frame geometry.
void RunDrawingPass(HostStudyInterface& host, const FrameGeometry& geometry);

}  // namespace kovra::drawing
