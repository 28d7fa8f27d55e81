// Bars from the followed file: lines appended to it, or the whole file again.
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/EngineChart.h"
#include "host/text/DateTimeText.h"

namespace kovra::host {

// A bar of the same date-time as the last one revises it; a later one is a
// new bar. Both reach the chart at once unless a replay is still behind.
void EngineChart::TakeAppended(const std::vector<Bar>& appended) {
    BarColumns& known = feed_.bars;
    for (const Bar& bar : appended) {
        const bool live = shown_ == known.size();
        if (known.size() > 0 && bar.dateTime == known.dateTimes.back()) {
            const int32_t last = known.size() - 1;
            known.open[last] = bar.open, known.high[last] = bar.high, known.low[last] = bar.low;
            known.close[last] = bar.close, known.volume[last] = bar.volume;
            if (live) holder_.TakeBar(bar);
        } else if (known.size() == 0 || bar.dateTime > known.dateTimes.back()) {
            known.Append(bar);
            if (live) {
                holder_.TakeBar(bar);
                ++shown_;
            }
        } else {
            feed_.warn(fmt::format("an appended bar dated {} is older than the last bar ({}); skipped",
                                   FormatDateTime(bar.dateTime), FormatDateTime(known.dateTimes.back())));
        }
    }
    KeepWithinMaxBars();
}

// A followed file replaced or shortened: the chart starts over with its bars
// (its last maxBars), and the study recalculates.
void EngineChart::TakeReloaded(const BarColumns& bars) {
    feed_.bars = bars.Slice(feed_.maxBars > 0 ? std::max(bars.size() - feed_.maxBars, 0) : 0, bars.size());
    shown_ = feed_.bars.size();
    ReplaceBars(feed_.bars);
}

}  // namespace kovra::host
