// The fixed yardstick of the driver benchmark: the "Optimized" level routine
// transcribed step by step from its definition, every logarithm and power
// computed as the definition forms it (exp(e) once per frame, where the
// definition names it three times). Kept as it is, never tuned, so that the
// driver's cost can be set against one plain routine call per bar.
#pragma once

#include "levels/FrameLevels.h"

namespace kovra::bench {

levels::FrameLevels LiteralOptimizedLevels(double high, double low);

}  // namespace kovra::bench
