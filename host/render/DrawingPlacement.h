// The study's drawings in force, placed on bars and prices, and those the
// chart window cannot show.
//
// A text is anchored at FirstBar when that is given; otherwise by
// FirstDateTime: the two edge markers put it at the left or right edge of
// the window, any other date-time at the last bar at or before it. (The study
// sends the left edge marker on every price label by default, so a FirstBar
// the label settings ask for must take precedence over it.)
#pragma once

#include <cstdint>
#include <vector>

#include "host/StudyInstance.h"
#include "host/render/ChartLayout.h"

namespace kovra::host {

enum class TextAnchor : uint8_t { kBar, kLeftEdge, kRightEdge };

struct PlacedDrawing {
    const StoredDrawing* drawing;
    int32_t firstBar, secondBar;    // a text's anchor bar is firstBar (unused at an edge)
    float firstPrice, secondPrice;  // a text uses firstPrice only
    TextAnchor anchor;
};

struct DrawingPlacement {
    std::vector<PlacedDrawing> placed;  // in submission order
    std::vector<OmittedDrawing> omitted;
};

DrawingPlacement PlaceDrawings(const StudyInstance& study, const BarWindow& window);

// The last bar whose date-time is at or before `dateTime`; -1 when there is none.
int32_t BarAtOrBefore(const BarColumns& bars, int64_t dateTime);

}  // namespace kovra::host
