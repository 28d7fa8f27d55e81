// Bars from the followed file: lines appended to it, or the whole file again.
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/ChartEngine.h"
#include "host/text/DateTimeText.h"

namespace kovra::host {

// A bar of the same date-time as the last one revises it; a later one is a
// new bar. Both reach the chart at once unless a replay is still behind.
void ChartEngine::TakeAppended(const std::vector<Bar>& appended) {
    BarColumns& known = setup_.bars;
    for (const Bar& bar : appended) {
        const bool live = shown_ == known.size();
        if (known.size() > 0 && bar.dateTime == known.dateTimes.back()) {
            const int32_t last = known.size() - 1;
            known.open[last] = bar.open, known.high[last] = bar.high, known.low[last] = bar.low;
            known.close[last] = bar.close, known.volume[last] = bar.volume;
            if (live) setup_.session->ReviseLastBar(bar);
        } else if (known.size() == 0 || bar.dateTime > known.dateTimes.back()) {
            known.Append(bar);
            if (live) {
                setup_.session->AppendBar(bar);
                ++shown_;
            }
        } else {
            setup_.warn(fmt::format("an appended bar dated {} is older than the last bar ({}); skipped",
                                    FormatDateTime(bar.dateTime), FormatDateTime(known.dateTimes.back())));
        }
    }
    KeepWithinMaxBars();
}

// A followed file replaced or shortened: the chart starts over with its bars
// (its last maxBars), and the study recalculates.
void ChartEngine::TakeReloaded(const BarColumns& bars) {
    setup_.bars = bars.Slice(setup_.maxBars > 0 ? std::max(bars.size() - setup_.maxBars, 0) : 0, bars.size());
    shown_ = setup_.bars.size();
    setup_.session->ReplaceBars(setup_.bars);
}

}  // namespace kovra::host
