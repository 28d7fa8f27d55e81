#include "study/FrameSize.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "drawing/BarIndex.h"

namespace kovra::study {

namespace {

using drawing::TruncateToInt32;

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
    // The list items are short whole numbers, read here directly: this runs on
    // every bar, and reading a double through from_chars costs several times more.
    constexpr int kShortDigits = 9;
    int32_t whole = 0;
    const char* end = start;
    while (*end >= '0' && *end <= '9' && end - start < kShortDigits) whole = whole * 10 + (*end++ - '0');
    if (end != start && (*end == '\0' || *end == '%')) return static_cast<Number>(whole);
    Number value{};
    if (std::from_chars(start, start + std::strlen(start), value).ec != std::errc{}) return Number{};
    return value;
}

}  // namespace

int32_t FrameSizeOf(const char* frameSizeText, const char* priorInclusionText) {
    const int32_t bars = ReadNumber<int32_t>(frameSizeText);
    const double percent = ReadNumber<double>(priorInclusionText);
    const int64_t prior = TruncateToInt32(static_cast<double>(bars) * percent / 100);
    const int64_t size = int64_t{bars} + prior;
    return static_cast<int32_t>(std::clamp<int64_t>(size, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace kovra::study
