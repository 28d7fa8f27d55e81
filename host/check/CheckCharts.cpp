#include "host/check/CheckCharts.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/bars/PriceStep.h"

namespace kovra::host {

namespace {

constexpr int32_t kHostileBars = 40;
constexpr int64_t kMinute = 60'000'000;
constexpr int64_t kFirstDateTime = 45293LL * 86'400'000'000LL + (9 * 60 + 30) * kMinute;  // 2024-01-02 09:30

BarColumns PricesReversed(const BarColumns& bars) {
    BarColumns reversed;
    for (int32_t bar = 0; bar < bars.size(); ++bar) {
        Bar mirrored = bars.At(bars.size() - 1 - bar);
        mirrored.dateTime = bars.dateTimes[static_cast<size_t>(bar)];
        reversed.Append(mirrored);
    }
    return reversed;
}

// `count` one-minute bars whose prices `price(bar, column)` gives (column 0
// open, 1 high, 2 low, 3 close).
template <typename Price>
BarColumns MadeBars(int32_t count, Price price) {
    BarColumns bars;
    for (int32_t bar = 0; bar < count; ++bar)
        bars.Append(kFirstDateTime + bar * kMinute, price(bar, 0), price(bar, 1), price(bar, 2), price(bar, 3));
    return bars;
}

// An ordinary walk on a quarter-point grid around 100: the prices the hostile
// ones are mixed into.
float Ordinary(int32_t bar, int column) {
    static constexpr float kOffsets[4] = {0.0f, 0.75f, -0.5f, 0.25f};
    return 100.0f + static_cast<float>((bar * 7) % 13) * 0.25f + kOffsets[column];
}

}  // namespace

CheckCharts CheckChartsOf(const LoadedBars& loaded) {
    CheckCharts charts;
    charts.ordinary = loaded.bars.Slice(0, std::min(kOrdinaryBars, loaded.bars.size()));
    charts.second = PricesReversed(charts.ordinary);
    charts.speed = loaded.bars;
    charts.tickSize = SmallestPriceStep(loaded.bars, loaded.priceDecimals);
    charts.valueFormat = loaded.priceDecimals;
    return charts;
}

std::vector<HostileChart> HostileCharts() {
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    constexpr float kMax = std::numeric_limits<float>::max();  // 3.4028235e38
    constexpr float kDenormal = std::numeric_limits<float>::denorm_min();
    std::vector<HostileChart> charts;
    charts.push_back({"not-a-number prices", MadeBars(kHostileBars, [&](int32_t bar, int column) {
                          return bar % 5 == 3 || (bar == 7 && column == 1) ? kNaN : Ordinary(bar, column);
                      })});
    charts.push_back({"infinite prices", MadeBars(kHostileBars, [&](int32_t bar, int column) {
                          if (bar % 6 == 4 && column == 1) return kInfinity;
                          if (bar % 6 == 4 && column == 2) return -kInfinity;
                          return bar == 9 && column == 3 ? kInfinity : Ordinary(bar, column);
                      })});
    charts.push_back({"signed zeros", MadeBars(kHostileBars, [](int32_t bar, int column) {
                          return (bar + column) % 2 == 0 ? 0.0f : -0.0f;
                      })});
    charts.push_back({"the float extremes", MadeBars(kHostileBars, [&](int32_t bar, int column) {
                          if (column == 1) return kMax;
                          if (column == 2) return -kMax;
                          return bar % 2 == 0 ? kMax : -kMax;
                      })});
    charts.push_back({"denormal prices", MadeBars(kHostileBars, [&](int32_t bar, int column) {
                          return kDenormal * static_cast<float>(1 + (bar * 7 + column * 3) % 11);
                      })});
    charts.push_back({"a flat chart", MadeBars(kHostileBars, [](int32_t, int) { return 100.0f; })});
    charts.push_back({"a single bar", MadeBars(1, [](int32_t, int column) { return Ordinary(0, column); })});
    return charts;
}

}  // namespace kovra::host
