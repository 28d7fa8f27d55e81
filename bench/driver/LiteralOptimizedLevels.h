// The fixed yardstick of the driver benchmark: the "Optimized" level routine
// transcribed step by step from its definition, every logarithm and power
// computed where the definition names it. Kept as it is, never tuned, so that
// the driver's cost can be set against one plain routine call per bar.
#pragma once

#include "levels/FrameLevels.h"

namespace kovra::bench {

levels::FrameLevels LiteralOptimizedLevels(double high, double low);

}  // namespace kovra::bench
