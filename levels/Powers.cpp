#include <array>
#include <cstddef>

#include "levels/detail/Powers.h"

namespace kovra::levels::detail {

namespace {

template <PowerRange kRange, typename Value>
using Table = std::array<Value, static_cast<size_t>(kRange.highest - kRange.lowest + 1)>;

// Read through a volatile so that the compiler cannot work the tables out
// itself while building: their values must be this process's exp and pow.
template <PowerRange kRange, typename Value, typename Power>
Table<kRange, Value> Fill(Power power) {
    Table<kRange, Value> table{};
    volatile int32_t lowest = kRange.lowest;
    for (size_t k = 0; k < table.size(); ++k) table[k] = power(lowest + static_cast<int32_t>(k));
    return table;
}

// Every instance and thread only reads these; they are the same numbers exp
// and pow give, held so that a call need not compute them again.
const Table<kTenRange, double> kTens = Fill<kTenRange, double>([](int32_t i) { return ComputedPowers::Ten(i); });
const Table<kEightRange, double> kEights =
    Fill<kEightRange, double>([](int32_t i) { return ComputedPowers::Eight(i); });
const Table<kTwoRange, double> kTwos = Fill<kTwoRange, double>([](int32_t i) { return ComputedPowers::Two(i); });
const Table<kHalfRange, float> kHalves =
    Fill<kHalfRange, float>([](int32_t e) { return ComputedPowers::Half(static_cast<float>(e)); });

// The entry for a whole exponent within the table, else the computed power.
// (-0 finds the entry for 0: exp and pow give 1 for either zero.)
template <PowerRange kRange, typename Value, typename Exponent, typename Computed>
Value Look(const Table<kRange, Value>& table, Exponent exponent, Computed computed) {
    if (exponent >= kRange.lowest && exponent <= kRange.highest) {
        const auto whole = static_cast<int32_t>(exponent);
        if (whole == exponent) return table[static_cast<size_t>(whole - kRange.lowest)];
    }
    return computed(exponent);
}

}  // namespace

double TabulatedPowers::Ten(double i) { return Look<kTenRange>(kTens, i, ComputedPowers::Ten); }
double TabulatedPowers::Eight(double i) { return Look<kEightRange>(kEights, i, ComputedPowers::Eight); }
double TabulatedPowers::Two(double i) { return Look<kTwoRange>(kTwos, i, ComputedPowers::Two); }
float TabulatedPowers::Half(float e) { return Look<kHalfRange>(kHalves, e, ComputedPowers::Half); }

}  // namespace kovra::levels::detail
