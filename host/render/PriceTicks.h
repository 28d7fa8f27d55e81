// Round-number prices for the price scale.
#pragma once

#include <cstdint>
#include <vector>

namespace kovra::host {

struct PriceTicks {
    double step = 0;             // 1, 2, 2.5 or 5 times a power of ten
    int32_t decimals = 0;        // decimal places that show every tick exactly
    std::vector<double> prices;  // every multiple of step in [low, high], ascending
};

// The smallest round step whose ticks lie at least `minPixels` apart, given
// `pixelsPerPrice`. Preconditions: low < high, both finite; pixelsPerPrice > 0;
// minPixels > 0. Never more than 1000 ticks.
PriceTicks ChoosePriceTicks(double low, double high, double pixelsPerPrice, double minPixels);

}  // namespace kovra::host
