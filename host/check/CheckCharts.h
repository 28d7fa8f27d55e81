// The charts the checks run a study on: ordinary bars (the embedded sample's
// or the author's), a second chart unlike the first, a longer one for speed,
// and charts of hostile prices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/runtime/Chart.h"

namespace kovra::host {

struct CheckCharts {
    BarColumns ordinary;  // what most checks run on
    BarColumns second;    // the ordinary chart's prices in reverse order, under the same date-times
    BarColumns speed;     // every bar there is
    double tickSize = 0;  // the step of the live updates' prices
    int32_t valueFormat = 2;
};

// The checks run on at most this many bars; the speed check on all of them.
inline constexpr int32_t kOrdinaryBars = 240;

// From the loaded bars: the first kOrdinaryBars of them, and all for speed.
CheckCharts CheckChartsOf(const LoadedBars& loaded);

struct HostileChart {
    std::string name;
    BarColumns bars;
};
// Not-a-number and infinite prices among ordinary ones, signed zeros, the
// float extremes, denormals, a flat chart and a single bar.
std::vector<HostileChart> HostileCharts();

}  // namespace kovra::host
