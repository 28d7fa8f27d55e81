// OHLC bars from CSV text: a header row naming the columns (case-insensitive),
// then one bar per row, comma or semicolon separated.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/Chart.h"

namespace kovra::host {

struct LoadedBars {
    BarColumns bars;
    int32_t priceDecimals = 0;  // most decimals any price in the file uses, at most 9
    int64_t badRangeBars = 0;   // bars whose high is below their low, open or close
};

struct BarsLoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws BarsLoadError with a one-line message naming file, line and column.
LoadedBars LoadBarsCsv(const std::string& path);
// The same, from memory (fuzzing, tests); `sourceName` stands for the file name in messages.
LoadedBars ParseBarsCsv(std::string_view text, const std::string& sourceName);

// The text ParseBarsCsv reads back to the same bars: a "datetime,open,high,low,close,volume"
// header, prices with `priceDecimals` decimals.
std::string FormatBarsCsv(const LoadedBars& bars);

}  // namespace kovra::host
