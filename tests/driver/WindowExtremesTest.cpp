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
#include <utility>
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

// Two windows a bar apart from one scan: each exactly the plain scan of its
// own bars, on the same seeded windows rich in zeros, not-a-number and the
// start values, so that leaving and entering bars often tie with the extremes.
TEST(WindowExtremes, AdjacentWindowsAreEachThePlainScanOfTheirOwnBars) {
    const float kSpecial[] = {kNaN, 0.0f, -0.0f, kInfinity, -kInfinity, kNoUpperExtreme, kNoLowerExtreme, 1.0f, -1.0f};
    std::mt19937 engine(20261209);
    std::uniform_int_distribution<int> size(1, 70);
    std::uniform_int_distribution<int> special(0, std::size(kSpecial) - 1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int sameButNotEqualBits = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const float specialShare = unit(engine);
        std::vector<float> uppers(static_cast<size_t>(size(engine)) + 1), lowers(uppers.size());
        for (std::vector<float>* values : {&uppers, &lowers})
            for (float& value : *values)
                value = unit(engine) < specialShare ? kSpecial[special(engine)] : std::round(unit(engine) * 4 - 2);
        const AdjacentWindowExtremes windows = ScanAdjacentWindows(uppers, lowers);
        const auto bits = [](const WindowExtremes& e) {
            return std::pair{std::bit_cast<uint32_t>(e.upper), std::bit_cast<uint32_t>(e.lower)};
        };
        const std::vector<float> previousUppers(uppers.begin(), uppers.end() - 1);
        const std::vector<float> previousLowers(lowers.begin(), lowers.end() - 1);
        const std::vector<float> currentUppers(uppers.begin() + 1, uppers.end());
        const std::vector<float> currentLowers(lowers.begin() + 1, lowers.end());
        ASSERT_EQ(bits(windows.previous), bits(PlainScan(previousUppers, previousLowers))) << trial;
        ASSERT_EQ(bits(windows.current), bits(PlainScan(currentUppers, currentLowers))) << trial;
        ASSERT_EQ(windows.Same(), bits(windows.previous) == bits(windows.current)) << trial;
        const bool equalValues =
            windows.previous.upper == windows.current.upper && windows.previous.lower == windows.current.lower;
        sameButNotEqualBits += equalValues && !windows.Same() ? 1 : 0;
    }
    EXPECT_GT(sameButNotEqualBits, 20);   // zeros of either sign made equal windows differ in bits
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
