#include "host/text/FloatText.h"

#include <bit>
#include <charconv>
#include <cstdint>

namespace kovra::host {
namespace {

constexpr int32_t kMaxFractionDigits = 16;  // 5^16 * 2^24 < 2^64
constexpr uint64_t kNineDigitLimit = 1'000'000'000;

uint64_t PowerOf(uint64_t base, int32_t exponent) {
    uint64_t power = 1;
    while (exponent-- > 0) power *= base;
    return power;
}

// Writes a float whose exact decimal value has at most nine significant digits
// and lies in [1e-4, 1e9), where "%.9g" is that exact value in fixed notation.
// Returns false, writing nothing, for any other float.
bool AppendShortExactDecimal(fmt::memory_buffer& out, float value) {
    const auto bits = std::bit_cast<uint32_t>(value);
    const auto biasedExponent = static_cast<int32_t>((bits >> 23) & 0xFF);
    if (biasedExponent == 0 || biasedExponent == 0xFF) return false;  // zero, subnormal, inf, NaN
    uint64_t mantissa = (bits & 0x7FFFFF) | 0x800000;
    int32_t exponent = biasedExponent - 150;  // value = ±mantissa * 2^exponent
    while (exponent < 0 && (mantissa & 1) == 0) mantissa >>= 1, ++exponent;

    if (exponent >= 0) {
        if (exponent > 40 || (mantissa << exponent) >= kNineDigitLimit) return false;
        if (value < 0) out.push_back('-');
        const fmt::format_int whole(mantissa << exponent);
        out.append(whole.data(), whole.data() + whole.size());
        return true;
    }
    // value = ±digits / 10^fractionDigits, and digits ends in 5, so no trailing zeros.
    const int32_t fractionDigits = -exponent;
    if (fractionDigits > kMaxFractionDigits) return false;
    const uint64_t digits = mantissa * PowerOf(5, fractionDigits);
    const uint64_t scale = PowerOf(10, fractionDigits);
    if (digits >= kNineDigitLimit || (fractionDigits >= 4 && digits < PowerOf(10, fractionDigits - 4))) return false;
    if (value < 0) out.push_back('-');
    const fmt::format_int whole(digits / scale), fraction(digits % scale + scale);  // the leading 1 keeps the zeros
    out.append(whole.data(), whole.data() + whole.size());
    out.push_back('.');
    out.append(fraction.data() + 1, fraction.data() + fraction.size());
    return true;
}

}  // namespace

void AppendFloatText(fmt::memory_buffer& out, float value) {
    if (AppendShortExactDecimal(out, value)) return;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9).ptr;
    out.append(text, end);
}

}  // namespace kovra::host
