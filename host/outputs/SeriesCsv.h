// The study's output series as CSV, one row per bar.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// One row per bar: bar index, date-time (ISO 8601), open, high, low, close, the thirteen level series under their
// subgraph names, then the two extreme series (subgraphs 13, 14), with 9 significant digits and an empty cell where the
// study wrote nothing (NaN). WriteSeriesCsv hands the text to `write` in pieces of about 64 KiB, so a run of millions
// of bars never holds the whole file.
void WriteSeriesCsv(const StudyInstance& study, const std::function<void(std::string_view)>& write);
std::string FormatSeriesCsv(const StudyInstance& study);

}  // namespace kovra::host
