// Where the parts of the picture go, and which bars the chart window shows.
#pragma once

#include <cstdint>

#include "host/render/DisplayList.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

struct ChartLayout {
    PixelRect controlBar;  // the row of buttons along the top
    PixelRect title;       // the study's name and inputs
    PixelRect plot;        // the chart window
    PixelRect priceScale;  // right of the plot
    PixelRect timeAxis;    // below the plot
};

// Fixed-size strips around a plot that takes the rest. Preconditions:
// width >= 200, height >= 150.
ChartLayout LayoutChart(int32_t width, int32_t height);

struct BarWindow {
    int32_t firstBar, lastBar;  // lastBar may lie beyond the chart's last bar
};

// With windowBars > 0: the last windowBars bars plus an eighth as much room
// on the right (at least 2 bars). With 0: the current frame (persistent
// integers 1 and 2: start and end bar) from half its length before its start
// to the later of its end and the last bar, plus an eighth of its length of
// room (at least 2 bars); without a usable frame, the last 100 bars and room.
BarWindow ChooseBarWindow(const StudyInstance& study, int32_t windowBars);

struct PriceRange {
    double low, high;
};

// Bars to x and prices to y for `range` on `plot`, with a margin of 4 % of
// the range above and below; an empty or flat range is widened.
ChartMapping MapChart(const PixelRect& plot, const BarWindow& window, PriceRange range);

}  // namespace kovra::host
