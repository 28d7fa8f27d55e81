// Where the time axis puts its labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/Chart.h"

namespace kovra::host {

struct TimeLabel {
    int32_t bar;
    std::string time;  // "9:30", or "9:30:15" when the steps are under a minute
    std::string date;  // "3/15"; empty when the label before is of the same day
};

// Labels the first bar of each round time step (1 s .. 1 year) among bars
// firstBar .. lastBar that exist, choosing the smallest step whose labels
// come at least `minPixels` apart at `barSpacing` pixels per bar, for the
// bars' typical (median) spacing in time. Labels that
// a gap in the bars would crowd are left out. Preconditions: barSpacing > 0,
// minPixels > 0; date-times ascending.
std::vector<TimeLabel> ChooseTimeLabels(const BarColumns& bars, int32_t firstBar, int32_t lastBar, double barSpacing,
                                        double minPixels);

}  // namespace kovra::host
