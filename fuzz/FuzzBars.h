// A chart's bars shaped by the fuzzer: a seeded random walk around an awkward
// base price, then patches (single awkward prices, flat stretches, highs below
// lows, not-a-number runs, odd date-times).
#pragma once

#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "host/runtime/Chart.h"

namespace kovra::fuzz {

inline constexpr int32_t kMaxFuzzBars = 2000;

host::BarColumns FuzzBars(FuzzInput& input);

// One more bar after `bars`' last, or a fresh first one.
void AppendFuzzBar(FuzzInput& input, host::BarColumns& bars);

// Rewrites the last bar's prices the way a real-time update does: new close,
// high and low stretched to hold it.
void UpdateLastFuzzBar(FuzzInput& input, host::BarColumns& bars);

}  // namespace kovra::fuzz
