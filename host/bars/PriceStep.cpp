#include "host/bars/PriceStep.h"

#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

namespace kovra::host {

namespace {

constexpr double kLargestCountable = 4e18;  // below 2^63 with room for differences

std::optional<int64_t> InUnits(float price, double unitsPerPrice) {
    const double units = std::round(static_cast<double>(price) * unitsPerPrice);
    if (!std::isfinite(units) || std::fabs(units) > kLargestCountable / 2) return std::nullopt;
    return static_cast<int64_t>(units);
}

}  // namespace

double SmallestPriceStep(const BarColumns& bars, int32_t priceDecimals) {
    const double unitsPerPrice = std::pow(10.0, priceDecimals);
    std::optional<int64_t> first;
    int64_t step = 0;
    for (const RecordColumn<float>* column : {&bars.open, &bars.high, &bars.low, &bars.close}) {
        for (const float price : *column) {
            const std::optional<int64_t> units = InUnits(price, unitsPerPrice);
            if (!units) continue;
            if (!first) first = units;
            step = std::gcd(step, *units - *first);
        }
    }
    return static_cast<double>(step == 0 ? 1 : step) / unitsPerPrice;
}

}  // namespace kovra::host
