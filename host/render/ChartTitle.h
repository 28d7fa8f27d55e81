// The chart's title line: the study's name, then every input in force,
// e.g. "Kovra Math RT Intraday — Frame Algorithm: Optimized, Frame Size: 16, ...".
#pragma once

#include <string>

#include "host/runtime/StudyInstance.h"

namespace kovra::host {

std::string ChartTitle(const StudyInstance& study);

}  // namespace kovra::host
