// The vectorised window scan against the plain front-to-back scan it must
// match bit for bit, on seeded random windows rich in the values where lane
// order could show: not-a-number, both zeros, infinities and the start values.
// Every instruction set's build is checked that this machine can run, not
// only the one the library picks here.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "study/WindowExtremes.h"
#include "study/WindowScan.h"

using namespace kovra::study;

namespace {

using Scanner = WindowExtremes (*)(std::span<const float>, std::span<const float>);

__attribute__((target("avx512f"))) WindowExtremes ScanWithAvx512(std::span<const float> u, std::span<const float> l) {
    return {window_scan::Scan<true>(u, kNoUpperExtreme), window_scan::Scan<false>(l, kNoLowerExtreme)};
}
__attribute__((target("avx2"))) WindowExtremes ScanWithAvx2(std::span<const float> u, std::span<const float> l) {
    return {window_scan::Scan<true>(u, kNoUpperExtreme), window_scan::Scan<false>(l, kNoLowerExtreme)};
}
WindowExtremes ScanWithBaseline(std::span<const float> u, std::span<const float> l) {
    return {window_scan::Scan<true>(u, kNoUpperExtreme), window_scan::Scan<false>(l, kNoLowerExtreme)};
}

struct Build {
    const char* name;
    Scanner scan;
};

// The dispatched scan and each build this machine can run.
std::vector<Build> Builds() {
    std::vector<Build> builds = {{"dispatched", &ScanWindowExtremes}, {"baseline", &ScanWithBaseline}};
    if (__builtin_cpu_supports("avx2")) builds.push_back({"avx2", &ScanWithAvx2});
    if (__builtin_cpu_supports("avx512f")) builds.push_back({"avx512f", &ScanWithAvx512});
    return builds;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

WindowExtremes PlainScan(const std::vector<float>& uppers, const std::vector<float>& lowers) {
    WindowExtremes kept{kNoUpperExtreme, kNoLowerExtreme};
    for (const float value : uppers)
        if (value > kept.upper) kept.upper = value;
    for (const float value : lowers)
        if (value < kept.lower) kept.lower = value;
    return kept;
}

void ExpectBitIdentical(const std::vector<float>& uppers, const std::vector<float>& lowers) {
    const WindowExtremes plain = PlainScan(uppers, lowers);
    static const std::vector<Build> builds = Builds();
    for (const Build& build : builds) {
        const WindowExtremes fast = build.scan(uppers, lowers);
        ASSERT_EQ(std::bit_cast<uint32_t>(fast.upper), std::bit_cast<uint32_t>(plain.upper))
            << build.name << " upper " << fast.upper << " vs plain " << plain.upper << ", " << uppers.size();
        ASSERT_EQ(std::bit_cast<uint32_t>(fast.lower), std::bit_cast<uint32_t>(plain.lower))
            << build.name << " lower " << fast.lower << " vs plain " << plain.lower << ", " << lowers.size();
    }
}

TEST(WindowExtremes, MatchesThePlainScanBitForBitOnSeededRandomWindows) {
    const float kSpecial[] = {kNaN,      -kNaN,           0.0f,           -0.0f,          kInfinity,
                              -kInfinity, kNoUpperExtreme, kNoLowerExtreme, 1e-45f,        -1e-45f};
    std::mt19937 engine(20261208);
    std::uniform_int_distribution<int> length(0, 700);
    std::uniform_int_distribution<int> special(0, std::size(kSpecial) - 1);
    std::uniform_real_distribution<float> price(-50.0f, 50.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int trial = 0; trial < 20000; ++trial) {
        // Mixes from all-special to all-ordinary; some windows lie wholly
        // below (or above) zero so that a zero becomes the extreme.
        const float specialShare = unit(engine);
        const float sign = trial % 3 == 0 ? -1.0f : trial % 3 == 1 ? 1.0f : 0.0f;
        auto draw = [&](float towards) {
            if (unit(engine) < specialShare) return kSpecial[special(engine)];
            const float value = price(engine);
            return towards == 0 ? value : towards * std::abs(value);
        };
        std::vector<float> uppers(static_cast<size_t>(length(engine)));
        std::vector<float> lowers(static_cast<size_t>(length(engine)));
        for (float& value : uppers) value = draw(sign);
        for (float& value : lowers) value = draw(-sign);
        ExpectBitIdentical(uppers, lowers);
    }
}

// The cases the random trials must reach, pinned: a zero extreme keeps the
// first zero's sign, across and within lanes.
TEST(WindowExtremes, KeepsTheFirstZerosSign) {
    std::vector<float> negatives(64, -1.0f);
    for (const size_t first : {size_t{0}, size_t{5}, size_t{31}, size_t{40}, size_t{63}}) {
        for (const float zero : {0.0f, -0.0f}) {
            std::vector<float> window = negatives;
            window[first] = zero;
            if (first + 1 < window.size()) window[first + 1] = -zero;
            window.back() = first == 63 ? zero : -zero;
            const WindowExtremes extremes = ScanWindowExtremes(window, {});
            EXPECT_EQ(std::signbit(extremes.upper), std::signbit(zero)) << first;
            ExpectBitIdentical(window, window);
        }
    }
}

TEST(WindowExtremes, TakesNothingFromAnEmptyOrUncomparableWindow) {
    const std::vector<float> noNumbers = {kNaN, kNaN};
    const std::vector<float> ordinary = {3.0f, 1.0f};
    EXPECT_FALSE(ScanWindowExtremes({}, {}).BothTaken());
    EXPECT_FALSE(ScanWindowExtremes(noNumbers, ordinary).BothTaken());
    EXPECT_FALSE(ScanWindowExtremes(ordinary, noNumbers).BothTaken());
    EXPECT_FALSE(ScanWindowExtremes(std::vector<float>{kNoUpperExtreme}, ordinary).BothTaken());
    const WindowExtremes taken = ScanWindowExtremes(ordinary, ordinary);
    EXPECT_TRUE(taken.BothTaken());
    EXPECT_EQ(taken.upper, 3.0f);
    EXPECT_EQ(taken.lower, 1.0f);
}

}  // namespace
