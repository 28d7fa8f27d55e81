// The price grid of a set of bars, for real-time updates that look like the data.
#pragma once

#include <cstdint>

#include "host/bars/BarColumns.h"

namespace kovra::host {

// The smallest price step the bars use: the greatest common divisor of the
// distances between their prices, counted in units of 10^-priceDecimals.
// Precondition: priceDecimals in 0..9. The result is > 0; when the prices give
// no step (no bars, all prices equal, prices too large to count in units) it is
// one unit, 10^-priceDecimals. Non-finite prices are ignored.
double SmallestPriceStep(const BarColumns& bars, int32_t priceDecimals);

}  // namespace kovra::host
