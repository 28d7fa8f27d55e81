// The routines' power tables against this machine's exp and pow, entry by
// entry, and the routines with looked-up powers against the same routines
// computing every power, bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "levels/detail/AcceleratedTrace.h"
#include "levels/detail/NormalizedTrace.h"
#include "levels/detail/OptimizedTrace.h"
#include "levels/detail/Powers.h"

namespace kovra::levels::detail {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

uint64_t Bits(double value) { return std::bit_cast<uint64_t>(value); }

struct PowerRow {
    const char* name;
    PowerRange range;
    double (*tabulated)(double);
    double (*computed)(double);
};

// Every whole exponent of every table and two beyond each end (where exp
// itself answers), then exponents no table holds.
TEST(Powers, EveryTableEntryIsThisMachinesExpOfItsExponent) {
    const PowerRow rows[] = {
        {"ten", kTenRange, TabulatedPowers::Ten, ComputedPowers::Ten},
        {"eight", kEightRange, TabulatedPowers::Eight, ComputedPowers::Eight},
        {"two", kTwoRange, TabulatedPowers::Two, ComputedPowers::Two},
        {"half", kHalfRange, [](double e) { return double{TabulatedPowers::Half(static_cast<float>(e))}; },
         [](double e) { return double{ComputedPowers::Half(static_cast<float>(e))}; }},
    };
    for (const PowerRow& row : rows) {
        int32_t checked = 0;
        for (int32_t i = row.range.lowest - 2; i <= row.range.highest + 2; ++i, ++checked)
            ASSERT_EQ(Bits(row.tabulated(i)), Bits(row.computed(i))) << row.name << " " << i;
        EXPECT_EQ(checked, row.range.highest - row.range.lowest + 5) << row.name;
        for (const double i : {0.5, -0.5, -0.0, 3.0000000000000004, 1e300, -1e300, kInfinity, -kInfinity, kNaN})
            EXPECT_EQ(Bits(row.tabulated(i)), Bits(row.computed(i))) << row.name << " " << i;
    }
}

struct Pair {
    double high, low;
};

// Frames from 1e-30 to 3e38 in both orders and of every sign, with ranges from
// a few float steps to many times the price, plus the awkward values.
std::vector<Pair> Pairs() {
    std::vector<Pair> pairs;
    std::mt19937_64 engine(20261210);
    std::uniform_real_distribution<double> logPrice(std::log(1e-30), std::log(3e38));
    std::uniform_real_distribution<double> logShare(std::log(1e-7), std::log(4.0));
    std::uniform_int_distribution<int> sign(0, 3);
    for (int i = 0; i < 60000; ++i) {
        const double price = std::exp(logPrice(engine)) * (sign(engine) == 0 ? -1 : 1);
        const auto high = static_cast<float>(price);
        const auto low = static_cast<float>(price - std::fabs(price) * std::exp(logShare(engine)));
        pairs.push_back({high, low});
        if (i % 8 == 0) pairs.push_back({low, high});
    }
    const float kAwkward[] = {0.0f, -0.0f, 25.0f, 3.125f, 1e-45f, 3.4028235e38f, -3.4028235e38f, INFINITY, NAN};
    for (const float a : kAwkward)
        for (const float b : kAwkward) pairs.push_back({a, b});
    return pairs;
}

TEST(Powers, RoutinesWithTabulatedPowersMatchTheirComputedFormBitForBit) {
    for (const Pair& pair : Pairs()) {
        const auto accelerated = TraceAcceleratedLevels<TabulatedPowers>(pair.high, pair.low).levels;
        const auto acceleratedComputed = TraceAcceleratedLevels<ComputedPowers>(pair.high, pair.low).levels;
        const auto optimized = TraceOptimizedLevels<TabulatedPowers>(pair.high, pair.low).levels;
        const auto optimizedComputed = TraceOptimizedLevels<ComputedPowers>(pair.high, pair.low).levels;
        const auto high = static_cast<float>(pair.high), low = static_cast<float>(pair.low);
        const auto normalized = TraceNormalizedLevels<TabulatedPowers>(high, low).levels;
        const auto normalizedComputed = TraceNormalizedLevels<ComputedPowers>(high, low).levels;
        for (const auto& [tabulated, computed, name] : {std::tuple{accelerated, acceleratedComputed, "Accelerated"},
                                                        std::tuple{optimized, optimizedComputed, "Optimized"},
                                                        std::tuple{normalized, normalizedComputed, "Normalized"}}) {
            ASSERT_EQ(Bits(tabulated.top), Bits(computed.top)) << name << " " << pair.high << " / " << pair.low;
            ASSERT_EQ(Bits(tabulated.bottom), Bits(computed.bottom)) << name << " " << pair.high << " / " << pair.low;
        }
    }
}

}  // namespace
}  // namespace kovra::levels::detail
