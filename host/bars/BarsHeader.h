// The header row of a bar file: which column holds what, by the names trading
// tools and data sites give them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::host {

enum BarField : uint8_t {
    kDateTimeField,
    kDateField,
    kTimeField,
    kOpenField,
    kHighField,
    kLowField,
    kCloseField,
    kVolumeField,
    kBarFieldCount
};

struct BarsHeader {
    static constexpr int32_t kAbsent = -1;
    // The cell of each field. kDateTimeField holds the one date(-time) cell when
    // there is no separate time cell; kCloseField may be a "Last" column.
    std::array<int32_t, kBarFieldCount> cellOf{};
    std::vector<std::string> names;  // the header's own name for every cell
    int32_t neededCells = 0;         // cells a bar row must have: one past the last field read

    bool Has(BarField field) const { return cellOf[field] != kAbsent; }
};

// A problem with the header row: the 0-based cell it concerns and the message.
struct BarsHeaderProblem {
    int32_t cell = 0;
    std::string message;
};

// Reads the header's cells (names matched ignoring case, surrounding blanks and
// <angle brackets>). Returns false and fills `problem` when a needed column is
// missing or named twice.
bool ReadBarsHeader(const std::vector<std::string_view>& cells, BarsHeader& header, BarsHeaderProblem& problem);

}  // namespace kovra::host
