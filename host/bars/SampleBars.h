// The bars `kovra run` uses when no bar file is given.
#pragma once

#include "host/bars/BarsCsv.h"

namespace kovra::host {

// The embedded default: realistic one-minute bars, the same on every machine.
const LoadedBars& SampleBars();

}  // namespace kovra::host
