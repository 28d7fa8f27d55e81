#include "host/text/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace kovra::host {
namespace {

constexpr int32_t kMaxDecimals = 9;
// Up to 15 digits the digits are a double exactly, and so is 10^k up to 10^22.
constexpr size_t kExactDigits = 15;
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// [-]digits[.digits] with at most 15 digits: the digits as an integer divided
// by a power of ten, both exact, so the one correctly rounded division gives
// the nearest double, bit for bit what std::from_chars gives (the tests hold the
// two against each other).
bool ParsePlainDecimal(std::string_view text, ParsedNumber& number) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    at += negative ? 1 : 0;
    uint64_t digits = 0;
    size_t count = 0, fractionDigits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at, ++count)
        digits = digits * 10 + static_cast<uint64_t>(text[at] - '0');
    if (count == 0 || count > kExactDigits) return false;
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && IsDigit(text[at]); ++at, ++fractionDigits)
            digits = digits * 10 + static_cast<uint64_t>(text[at] - '0');
        if (fractionDigits == 0 || count + fractionDigits > kExactDigits) return false;
    }
    if (at != text.size()) return false;
    const double magnitude = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
    number.value = negative ? -magnitude : magnitude;
    number.decimals = static_cast<int32_t>(std::min<size_t>(fractionDigits, kMaxDecimals));
    number.ok = true;
    return true;
}

// Decimal places a number text asks for: fraction digits less the exponent, 0 .. 9.
int32_t DecimalsOf(std::string_view text) {
    const size_t exponentAt = std::min(text.find_first_of("eE"), text.size());
    const size_t pointAt = std::min(text.find('.'), exponentAt);
    int64_t decimals = static_cast<int64_t>(exponentAt - pointAt) - (pointAt < exponentAt ? 1 : 0);
    if (exponentAt < text.size()) {
        int32_t exponent = 0;
        const std::string_view digits = text.substr(exponentAt + 1);
        const bool signed_ = !digits.empty() && (digits.front() == '-' || digits.front() == '+');
        const bool negative = signed_ && digits.front() == '-';
        const auto [end, error] =
            std::from_chars(digits.data() + (signed_ ? 1 : 0), digits.data() + digits.size(), exponent);
        if (error == std::errc::result_out_of_range) exponent = std::numeric_limits<int32_t>::max();
        decimals += negative ? exponent : -static_cast<int64_t>(exponent);
    }
    return static_cast<int32_t>(std::clamp<int64_t>(decimals, 0, kMaxDecimals));
}

// Takes the grouping marks out of the integer part (groups of three digits
// after the first one to three) and writes the decimal mark as a point; false
// when the groups are not well formed.
bool Ungroup(std::string_view text, char decimalMark, char groupMark, std::string& plain) {
    plain.clear();
    size_t at = 0;
    if (!text.empty() && text[0] == '-') plain += text[at++];
    size_t groupDigits = 0;
    bool grouped = false;
    for (; at < text.size() && (IsDigit(text[at]) || text[at] == groupMark); ++at) {
        if (text[at] == groupMark) {
            if (groupDigits == 0 || groupDigits > 3 || (grouped && groupDigits != 3)) return false;
            grouped = true, groupDigits = 0;
            continue;
        }
        plain += text[at];
        ++groupDigits;
    }
    if (grouped && groupDigits != 3) return false;
    for (; at < text.size(); ++at) plain += text[at] == decimalMark ? '.' : text[at];
    return true;
}

}  // namespace

MarksEvidence EvidenceOf(std::string_view text) {
    const size_t lastComma = text.rfind(','), lastPoint = text.rfind('.');
    const bool comma = lastComma != std::string_view::npos, point = lastPoint != std::string_view::npos;
    if (comma && point) return lastComma > lastPoint ? MarksEvidence::kCommaDecimal : MarksEvidence::kPointDecimal;
    if (!comma && !point) return MarksEvidence::kNone;
    const char mark = comma ? ',' : '.';
    const size_t at = comma ? lastComma : lastPoint;
    // Two or more of one mark can only group thousands.
    if (text.find(mark) != at) return comma ? MarksEvidence::kPointDecimal : MarksEvidence::kCommaDecimal;
    // One mark: a decimal mark, unless it can be a thousands mark (one to three
    // digits before it, exactly three after it).
    const size_t digitsFrom = !text.empty() && text[0] == '-' ? 1 : 0;
    const auto digitsBetween = [&text](size_t from, size_t to) {
        return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                           text.begin() + static_cast<std::ptrdiff_t>(to), IsDigit);
    };
    const size_t groupEnd = std::min(text.find_first_of("eE", at), text.size());
    const bool groups = at > digitsFrom && at - digitsFrom <= 3 && digitsBetween(digitsFrom, at) &&
                        groupEnd - at == 4 && digitsBetween(at + 1, groupEnd);
    if (groups) return MarksEvidence::kEither;
    return comma ? MarksEvidence::kCommaDecimal : MarksEvidence::kPointDecimal;
}

ParsedNumber ParseNumber(std::string_view text, NumberMarks marks) {
    ParsedNumber number;
    const bool commaDecimal = marks == NumberMarks::kCommaDecimal;
    // The quick path reads a point as the decimal mark.
    if ((!commaDecimal || text.find('.') == std::string_view::npos) && ParsePlainDecimal(text, number)) return number;
    const char decimalMark = commaDecimal ? ',' : '.', groupMark = commaDecimal ? '.' : ',';
    const bool marked = text.find(groupMark) != std::string_view::npos ||
                        (commaDecimal && text.find(decimalMark) != std::string_view::npos);
    std::string plain;
    if (marked) {
        if (!Ungroup(text, decimalMark, groupMark, plain)) return number;
        text = plain;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number.value);
    if (end != text.data() + text.size() || (error != std::errc() && error != std::errc::result_out_of_range))
        return number;
    number.ok = true;
    number.outOfRange = error == std::errc::result_out_of_range;
    number.decimals = DecimalsOf(text);
    return number;
}

}  // namespace kovra::host
