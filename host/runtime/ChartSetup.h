// How every command sets up a chart of loaded bars: the settings dialog's
// edits, the decimals of price texts, the study's identifier and the
// timeframe, and the session options they give.
#pragma once

#include <cstdint>
#include <optional>

#include "host/bars/BarsCsv.h"
#include "host/bars/Timeframe.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudySettings.h"

namespace kovra::host {

struct ChartSetup {
    StudySettings settings;              // applied after the defaults call
    std::optional<int32_t> valueFormat;  // decimal places of price texts; unset: the most the bars use
    int32_t studyIdentifier = 1;
    std::optional<TimeframeBuckets> timeframe;  // unset: the bars as they are
};

// Price texts with the chosen decimals (or the bars' own), real-time updates
// on the bars' smallest price step, the chosen timeframe; no progress reports.
SessionOptions SessionOptionsFor(const LoadedBars& loaded, const ChartSetup& setup);

}  // namespace kovra::host
