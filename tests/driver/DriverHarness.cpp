#include "tests/driver/DriverHarness.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace kovra::testing {

void DriverHarness::Append(const std::vector<Bar>& bars) {
    for (const Bar& bar : bars) {
        const int64_t at = static_cast<int64_t>(chart.bars.size()) * 60'000'000;
        chart.bars.Append(at, bar.open, bar.high, bar.low, bar.close);
    }
}

void DriverHarness::Run(int32_t first, int32_t last) {
    for (int32_t bar = first; bar <= last; ++bar) study->CallBar(bar);
}

std::vector<Bar> RandomWalk(int32_t count, uint32_t seed, float start) {
    std::mt19937 engine(seed);
    std::normal_distribution<float> step(0.0f, 0.6f);
    std::uniform_real_distribution<float> wick(0.0f, 0.8f);
    std::vector<Bar> bars;
    float price = start;
    for (int32_t i = 0; i < count; ++i) {
        const float open = price;
        price = std::max(1.0f, price + step(engine));
        bars.push_back({open, std::max(open, price) + wick(engine), std::min(open, price) - wick(engine), price});
    }
    return bars;
}

ExpectedLevels RoutineOnWindow(levels::LevelAlgorithm algorithm, const std::vector<Bar>& bars, int32_t first,
                               int32_t last, bool highLow) {
    float upper = -3.4028235e38f, lower = 3.4028235e38f;
    for (int32_t i = first; i <= last; ++i) {
        const Bar& bar = bars[static_cast<size_t>(i)];
        const float barUpper = highLow ? bar.high : std::max(bar.open, bar.close);
        const float barLower = highLow ? bar.low : std::min(bar.open, bar.close);
        if (barUpper > upper) upper = barUpper;
        if (barLower < lower) lower = barLower;
    }
    const levels::FrameLevels levels = levels::ComputeLevels(algorithm, upper, lower);
    return {static_cast<float>(levels.top), static_cast<float>(levels.bottom)};
}

}  // namespace kovra::testing
