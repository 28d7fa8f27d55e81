#include "host/render/PriceTicks.h"

#include <algorithm>
#include <cmath>

namespace kovra::host {

PriceTicks ChoosePriceTicks(double low, double high, double pixelsPerPrice, double minPixels) {
    const double wanted = std::max(minPixels / pixelsPerPrice, (high - low) / 1000.0);
    const int32_t exponent = static_cast<int32_t>(std::floor(std::log10(wanted)));
    PriceTicks ticks;
    for (int32_t power = exponent; ticks.step == 0; ++power) {
        for (const double mantissa : {1.0, 2.0, 2.5, 5.0}) {
            const double step = mantissa * std::pow(10.0, power);
            if (step < wanted) continue;
            ticks.step = step;
            ticks.decimals = std::max(0, -power) + (mantissa == 2.5 && power <= 0 ? 1 : 0);
            break;
        }
    }
    // Each tick from its own multiple, so rounding errors do not add up; a
    // bound that is itself a multiple stays a tick despite the division.
    const double first = std::ceil(low / ticks.step - 1e-9), last = std::floor(high / ticks.step + 1e-9);
    for (double k = first; k <= last; ++k) ticks.prices.push_back(k * ticks.step);
    return ticks;
}

}  // namespace kovra::host
