// Numbers as bar files write them: decimal and exponent forms, a thousands
// separator, a decimal comma.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kovra::host {

// What a cell's separator says about the marks inside its numbers.
enum class NumberMarks : uint8_t {
    kPointDecimal,  // comma-separated files: a comma inside a (quoted) number groups thousands
    kEither,        // other separators: a lone comma is the decimal mark; with both, the last is
};

struct ParsedNumber {
    double value = 0;
    int32_t decimals = 0;  // places the text asks for: fraction digits less the exponent, 0 .. 9
    bool ok = false;       // false: not a number
    bool outOfRange = false;  // a number, but beyond the double range
};

// The nearest double to `text` ([-]digits[.digits][e[+-]digits]; "nan"/"inf"
// parse, callers reject them), after taking out thousands separators (groups
// of three digits) and reading a decimal comma as `marks` allows.
ParsedNumber ParseNumber(std::string_view text, NumberMarks marks);

}  // namespace kovra::host
