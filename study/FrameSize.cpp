#include "study/FrameSize.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "record/WholeNumbers.h"

namespace kovra::study {

namespace {

using record::TruncateToInt32;

// from_chars reads without the locale (a host process may have set one) but
// accepts neither leading blanks nor a "+"; skip those first.
const char* NumberStart(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '+' && text[1] != '-') ++text;
    return text;
}

template <typename Number>
Number ReadNumber(const char* text) {
    if (text == nullptr) return Number{};
    const char* start = NumberStart(text);
    Number value{};
    if (std::from_chars(start, start + std::strlen(start), value).ec != std::errc{}) return Number{};
    return value;
}

// A whole number of one to four digits and nothing else but, for a
// percentage, a "%": what the inputs' list items are, read directly (this runs
// on every bar). -1 for any other text.
int32_t ShortWhole(const char* text, bool percent) {
    if (text == nullptr) return -1;
    int32_t whole = 0;
    int digits = 0;
    for (; digits < 4 && text[digits] >= '0' && text[digits] <= '9'; ++digits)
        whole = whole * 10 + (text[digits] - '0');
    const char end = text[digits];
    return digits > 0 && (end == '\0' || (percent && end == '%' && text[digits + 1] == '\0')) ? whole : -1;
}

}  // namespace

int32_t FrameSizeOf(const char* frameSizeText, const char* priorInclusionText) {
    // Below 10^4 each, N * P is exact and its hundredth, rounded to 64 bits,
    // lies on the same side of every whole number as the exact quotient: the
    // truncated quotient is integer division's.
    const int32_t shortBars = ShortWhole(frameSizeText, false);
    const int32_t shortPercent = ShortWhole(priorInclusionText, true);
    if (shortBars >= 0 && shortPercent >= 0) return shortBars + shortBars * shortPercent / 100;

    const int32_t bars = ReadNumber<int32_t>(frameSizeText);
    const double percent = ReadNumber<double>(priorInclusionText);
    const int64_t prior = TruncateToInt32(static_cast<double>(bars) * percent / 100);
    const int64_t size = int64_t{bars} + prior;
    return static_cast<int32_t>(
        std::clamp<int64_t>(size, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace kovra::study
