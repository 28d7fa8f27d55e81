// A scan's rows as text: an aligned table for reading, CSV and JSON for tools.
#pragma once

#include <string>
#include <vector>

#include "host/scan/ScanRow.h"

namespace kovra::host {

// A header row of the field names (host/scan/ScanFields.h), then one row per
// instrument; prices with 9 significant digits as the series CSV writes them,
// derived numbers (eighths, distances, percentages) with the fewest digits
// that read back to the same double, date-times as "YYYY-MM-DD HH:MM:SS",
// what the last bar crossed as "up 5/8th 6/8th"; an empty cell for no value.
std::string FormatScanCsv(const std::vector<ScanRow>& rows);

// An array of one object per instrument, one per line, keyed by the field
// names; no value is null, a price is its 32-bit float's exact value, a
// crossing is {"direction": "up", "lines": ["5/8th", "6/8th"]}.
std::string FormatScanJson(const std::vector<ScanRow>& rows);
// One of those objects, on one line.
std::string FormatScanRowJson(const ScanRow& row);

// Columns aligned for a terminal: prices with the instrument's decimals,
// eighths and percentages with two, date-times as short as the column allows
// (no time when every one is at midnight, no seconds when none has any). A
// file that failed shows its error after its name.
std::string FormatScanTable(const std::vector<ScanRow>& rows);

}  // namespace kovra::host
