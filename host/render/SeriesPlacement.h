// How the study's level series show, by their subgraph's draw style: the one
// reading of draw styles that the picture's painter and the live page share.
//
// The dashes style puts a short dash at the level across each bar that has a
// value, so each bar's level and the steps between frames show; the hidden
// and not-drawn styles hide the series; any other style joins the values at
// the bars' centres into a line, broken where a bar has none. A run of one value (a
// dash, or a lone value between gaps of a line) is drawn as a dash.
#pragma once

#include <cstdint>
#include <vector>

#include "host/render/DisplayList.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// A dash spans this share of a bar's slot, centred on the bar.
inline constexpr double kSeriesDashShare = 0.7;

struct PlacedSeries {
    int32_t subgraph;
    bool shown;   // fetched by the study and not hidden by its draw style
    bool joined;  // a line through the values; false: one dash per value
    Stroke stroke;
};

// The level series in the order LevelSeriesSubgraphs gives them.
std::vector<PlacedSeries> PlaceLevelSeries(const StudyInstance& study);

// Whether our host draws the level series of this subgraph.
bool SeriesShown(const StudyInstance& study, int32_t subgraph);

}  // namespace kovra::host
