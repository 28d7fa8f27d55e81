// OHLC bars from delimited text: a header row naming the columns, then one bar
// per row (see host/BarsHeader.h for the names, host/CsvText.h for the text
// forms, host/DateTimeText.h for the date-times).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/bars/BarColumns.h"
#include "host/text/DateTimeText.h"
#include "host/text/NumberText.h"

namespace kovra::host {

struct BarsLoadOptions {
    // Instants (a "Z" or offset suffix, epoch numbers) are shown in this zone's
    // wall clock (an IANA name); empty: in UTC. Date-times without a suffix are
    // shown as written.
    std::string timeZone;
    // How "A/B/YYYY" dates read; unset: from the data (a first field above 12
    // means day first, a second one month first), an error when nothing tells.
    std::optional<DateOrder> dateOrder;
    // Which mark is the decimal mark; unset: from the numbers (see LoadedBars::numberMarks).
    std::optional<NumberMarks> numberMarks;
    // Told now and then how many bytes of how many are read.
    std::function<void(size_t done, size_t total)> progress;
};

struct LoadedBars {
    BarColumns bars;
    int32_t priceDecimals = 0;  // most decimals any price in the file uses, at most 9
    bool reversed = false;      // the file had them newest first
    // The decimal mark the file's numbers showed: a comma-separated file's is
    // the point; in others the first number with a mark that reads only one
    // way tells (4512.25, 4512,25, 1.234,5), and every other number must agree.
    // Unset when none told.
    std::optional<NumberMarks> numberMarks;
    // The bytes of the text read: whoever follows the file as it grows goes
    // on from there, so no line appended meanwhile is missed.
    size_t textBytes = 0;
};

struct BarsLoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The most a bar file that is not a regular file (a pipe, a device) may hold.
inline constexpr size_t kMaxStreamedBarBytes = size_t{1} << 30;
// The first bytes looked at to tell text from UTF-16 or binary data.
inline constexpr size_t kTextCheckBytes = 4096;

// False when the text starts with a UTF-16 byte-order mark or holds a NUL byte
// in its first kTextCheckBytes: the loader refuses it at once.
bool StartsLikeText(std::string_view text);

// Throws BarsLoadError with a one-line message naming file, line and column,
// and UnknownTimeZone (host/WallClock.h) for a time zone the system lacks.
LoadedBars LoadBarsCsv(const std::string& path, const BarsLoadOptions& options = {});
// The same, from memory (fuzzing, tests); `sourceName` stands for the file name in messages.
LoadedBars ParseBarsCsv(std::string_view text, const std::string& sourceName, const BarsLoadOptions& options = {});

// The text ParseBarsCsv reads back to the same bars: a "datetime,open,high,low,close,volume"
// header, prices with `priceDecimals` decimals.
std::string FormatBarsCsv(const LoadedBars& bars);

}  // namespace kovra::host
