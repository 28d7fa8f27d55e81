// Numbers as bar files write them: decimal and exponent forms, a thousands
// separator, a decimal comma.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kovra::host {

// Which mark a file's numbers take as the decimal mark; the other groups thousands.
enum class NumberMarks : uint8_t {
    kPointDecimal,  // 4512.25 and 4,512.25 (always in comma-separated files)
    kCommaDecimal,  // 4512,25 and 4.512,25
};

// What one number text tells about its file's marks.
enum class MarksEvidence : uint8_t {
    kNone,          // it reads the same either way (no mark, or an exponent form either way reads alike)
    kPointDecimal,  // it reads only with a decimal point: 4512.25, 1,234.5, 1,234,567
    kCommaDecimal,  // it reads only with a decimal comma: 4512,25, 1.234,5, 1.234.567
    kEither,        // one mark followed by exactly three digits (1.200, 1,085): a number either way, not the same
};
MarksEvidence EvidenceOf(std::string_view text);

struct ParsedNumber {
    double value = 0;
    int32_t decimals = 0;     // places the text asks for: fraction digits less the exponent, 0 .. 9
    bool ok = false;          // false: not a number
    bool outOfRange = false;  // a number, but beyond the double range
};

// The nearest double to `text` ([-]digits[.digits][e[+-]digits]; "nan"/"inf"
// parse, callers reject them), after taking out the thousands marks (groups of
// three digits) and reading the decimal mark as `marks` says.
ParsedNumber ParseNumber(std::string_view text, NumberMarks marks);

}  // namespace kovra::host
