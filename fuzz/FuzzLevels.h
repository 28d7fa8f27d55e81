// What must hold for the three level routines on any pair of 32-bit prices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kovra::fuzz {

// Decodes two prices (see FuzzPrices.h) and runs every routine on them, in
// both orders. Any pair: no crash. A finite pair with high > low: finite levels
// with top >= bottom from the Accelerated routine (when high > 0) and the
// Optimized one; from the 32-bit Normalized routine while the prices stay
// within +-1e37 and the range is at least 1e-30 (beyond, its frame or grid
// step leaves the 32-bit format). A range of a few float steps may collapse a
// 32-bit frame to top == bottom, so the order is not strict.
// Returns the first property that failed, empty when all held.
std::string CheckLevelsInput(const uint8_t* data, size_t size);

}  // namespace kovra::fuzz
