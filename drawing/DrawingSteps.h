// The steps of the drawing pass. Each draws one family of the frame's picture
// from the frame geometry the pass built once; families that differ only in
// their tables share one procedure, chosen by the family.
#pragma once

#include <cstdint>

#include "drawing/FrameGeometry.h"
#include "record/HostStudyInterface.h"

namespace kovra::drawing {

using DrawingStep = void (*)(HostStudyInterface& host, const FrameGeometry& geometry);

void DrawCirclesOfConflict(HostStudyInterface& host, const FrameGeometry& geometry);
void DrawFrameExtensions(HostStudyInterface& host, const FrameGeometry& geometry);
void DrawGridLines(HostStudyInterface& host, const FrameGeometry& geometry);
void DrawEighthLines(HostStudyInterface& host, const FrameGeometry& geometry);

enum class Speedlines : uint8_t { Minor, Major };
template <Speedlines family>
void DrawSpeedlines(HostStudyInterface& host, const FrameGeometry& geometry);

// The labels beside the price lines: each line's name, or its price.
enum class PriceLabels : uint8_t { Names, Values };
template <PriceLabels family>
void DrawPriceLabels(HostStudyInterface& host, const FrameGeometry& geometry);

// The labels along the time axis: each eighth's number, or its bar's date and time.
enum class TimeLabels : uint8_t { Eighths, Dates };
template <TimeLabels family>
void DrawTimeLabels(HostStudyInterface& host, const FrameGeometry& geometry);

}  // namespace kovra::drawing
