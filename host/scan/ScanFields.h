// The fields of a scan row by name: the CSV columns and JSON keys, in their
// order, and what `--sort` sorts by.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "host/scan/ScanRow.h"

namespace kovra::host {

struct DateTimeValue {
    int64_t microseconds;  // since 1899-12-30 00:00:00
};

// A field's value in one row: nothing (an empty cell, null), a text, a whole
// number, a price as the series hold it, a derived number, a date-time, or
// what the last bar crossed.
using ScanValue =
    std::variant<std::monostate, std::string_view, int64_t, float, double, DateTimeValue, const LastCrossing*>;

struct ScanField {
    std::string_view name;
    ScanValue (*valueOf)(const ScanRow& row);  // views into the row
};

const std::vector<ScanField>& ScanFields();

// The field of that name; nullptr when there is none.
const ScanField* FindScanField(std::string_view name);

// Orders rows by a field, ascending or descending; rows without a value for it
// come last either way, and rows that compare equal keep their order.
void SortScanRows(std::vector<ScanRow>& rows, const ScanField& field, bool descending);

}  // namespace kovra::host
