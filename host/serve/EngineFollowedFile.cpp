// Bars from the followed file: lines appended to it, or the whole file again.
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/EngineChart.h"
#include "host/text/DateTimeText.h"

namespace kovra::host {

// A bar of the same date-time as the last one revises it; a later one is a
// new bar. Both reach the chart at once unless a replay is still behind.
void EngineChart::TakeAppended(const std::vector<Bar>& appended) {
    for (const Bar& bar : appended) {
        const BarColumns& known = Sources();
        const bool live = shown_ == known.size();
        if (known.size() > 0 && bar.dateTime == known.dateTimes.back()) {
            if (!feed_.barsOnChart) {
                const int32_t last = known.size() - 1;
                feed_.bars.open[last] = bar.open, feed_.bars.high[last] = bar.high, feed_.bars.low[last] = bar.low;
                feed_.bars.close[last] = bar.close, feed_.bars.volume[last] = bar.volume;
            }
            if (live) holder_.TakeBar(bar);
        } else if (known.size() == 0 || bar.dateTime > known.dateTimes.back()) {
            if (!feed_.barsOnChart) feed_.bars.Append(bar);
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
    BarColumns kept = bars.Slice(feed_.maxBars > 0 ? std::max(bars.size() - feed_.maxBars, 0) : 0, bars.size());
    shown_ = kept.size();
    if (feed_.barsOnChart) return ReplaceBars(std::move(kept));
    feed_.bars = std::move(kept);
    ReplaceBars(feed_.bars);
}

}  // namespace kovra::host
