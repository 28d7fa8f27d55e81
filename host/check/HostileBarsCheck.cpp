// Hostile bars: not-a-number and infinite prices, signed zeros, the float
// extremes, denormals, a flat chart and a single bar. The study must not
// crash, and must write no infinity into a series at a bar whose prices are
// all finite.
#include <cmath>

#include <fmt/format.h>

#include "host/check/CheckCharts.h"
#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"

namespace kovra::host {

namespace {

bool PricesFinite(const BarColumns& bars, int32_t bar) {
    const Bar prices = bars.At(bar);
    return std::isfinite(prices.open) && std::isfinite(prices.high) && std::isfinite(prices.low) &&
           std::isfinite(prices.close);
}

}  // namespace

CheckVerdict CheckHostileBars(const CheckContext& context) {
    std::string names;
    for (const HostileChart& chart : HostileCharts()) {
        const StudyOutcome outcome = OutcomeOf(StartedSession(context, chart.bars, chart.name)->study());
        for (int32_t bar = 0; bar < chart.bars.size(); ++bar) {
            if (!PricesFinite(chart.bars, bar)) continue;
            for (size_t s = 0; s < outcome.series.size(); ++s) {
                if (outcome.series[s].empty() || !std::isinf(outcome.series[s][static_cast<size_t>(bar)])) continue;
                const std::string value = FloatText(outcome.series[s][static_cast<size_t>(bar)]);
                return CheckVerdict::Fail(fmt::format("{}: subgraph {} at bar {} is {} where the prices are finite",
                                                      chart.name, s, bar, value),
                                          bar, value);
            }
        }
        names += (names.empty() ? "" : ", ") + chart.name;
    }
    return CheckVerdict::Pass("no crash, and no infinity where the prices are finite, on " + names);
}

}  // namespace kovra::host
