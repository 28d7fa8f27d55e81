// The vectorised window scan against the plain front-to-back scan it must
// match bit for bit: the dispatched scan and every instruction set's version
// this processor runs, on hostile windows of every length up to 600 and on
// seeded random windows rich in the values where lane order could show:
// not-a-number, both zeros, infinities and the start values.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "study/WindowExtremes.h"
#include "study/WindowScanVersions.h"

using namespace kovra::study;

namespace {

struct Build {
    std::string name;
    WindowScanFunction scan;
    AdjacentScanFunction scanAdjacent;
};

// The dispatched scans and each version this machine can run.
std::vector<Build> Builds() {
    std::vector<Build> builds = {{"dispatched", &ScanWindowExtremes, &ScanAdjacentWindows}};
    for (const WindowScanVersion& version : kWindowScanVersions)
        if (version.runsHere())
            builds.push_back({std::string(version.instructionSet), version.scan, version.scanAdjacent});
    return builds;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

WindowExtremes PlainScan(std::span<const float> uppers, std::span<const float> lowers) {
    WindowExtremes kept{kNoUpperExtreme, kNoLowerExtreme};
    for (const float value : uppers)
        if (value > kept.upper) kept.upper = value;
    for (const float value : lowers)
        if (value < kept.lower) kept.lower = value;
    return kept;
}

// A copy of `values` starting `offset` floats past a 64-byte boundary: the
// scan's vectors start at every alignment a window of a series can have.
class Placed {
public:
    Placed(const std::vector<float>& values, size_t offset) : storage_(values.size() + kWidest + offset) {
        const auto address = reinterpret_cast<uintptr_t>(storage_.data());
        float* start =
            storage_.data() + (kWidestBytes - address % kWidestBytes) % kWidestBytes / sizeof(float) + offset;
        std::copy(values.begin(), values.end(), start);
        values_ = {start, values.size()};
    }
    std::span<const float> values() const { return values_; }

private:
    static constexpr size_t kWidestBytes = 64, kWidest = kWidestBytes / sizeof(float);
    std::vector<float> storage_;
    std::span<const float> values_;
};

std::pair<uint32_t, uint32_t> Bits(const WindowExtremes& extremes) {
    return {std::bit_cast<uint32_t>(extremes.upper), std::bit_cast<uint32_t>(extremes.lower)};
}

// Bit for bit, the plain scan's side by side with a build's on a mismatch
// (`what` names the case; it is called only then).
template <typename What>
void ExpectSameBits(const WindowExtremes& fast, const WindowExtremes& plain, const What& what) {
    ASSERT_EQ(Bits(fast), Bits(plain)) << what() << ": upper " << fast.upper << " vs plain " << plain.upper
                                       << ", lower " << fast.lower << " vs plain " << plain.lower;
}

// Every build against the plain scan, with the windows placed at `offset`
// floats (mod 16) past a 64-byte boundary: the scan of the whole windows and,
// of two values or more, the scan of the adjacent windows one bar shorter.
void ExpectBitIdentical(const std::vector<float>& uppers, const std::vector<float>& lowers, size_t offset = 0) {
    const Placed placedUppers(uppers, offset % 16), placedLowers(lowers, (offset + 5) % 16);
    const std::span<const float> u = placedUppers.values(), l = placedLowers.values();
    const WindowExtremes plain = PlainScan(u, l);
    const bool adjacent = u.size() >= 2 && l.size() >= 2;
    const WindowExtremes plainPrevious = adjacent ? PlainScan(u.first(u.size() - 1), l.first(l.size() - 1)) : plain;
    const WindowExtremes plainCurrent = adjacent ? PlainScan(u.subspan(1), l.subspan(1)) : plain;
    static const std::vector<Build> builds = Builds();
    for (const Build& build : builds) {
        const auto what = [&](const char* scan) {
            return [&build, &u, &l, offset, scan] {
                return build.name + " " + scan + " of " + std::to_string(u.size()) + " and " +
                       std::to_string(l.size()) + " values at offsets " + std::to_string(offset % 16) + " and " +
                       std::to_string((offset + 5) % 16);
            };
        };
        ExpectSameBits(build.scan(u, l), plain, what("scan"));
        if (!adjacent) continue;
        const AdjacentWindowExtremes windows = build.scanAdjacent(u, l);
        ExpectSameBits(windows.previous, plainPrevious, what("previous window"));
        ExpectSameBits(windows.current, plainCurrent, what("current window"));
        ASSERT_EQ(windows.Same(), Bits(windows.previous) == Bits(windows.current)) << what("adjacent windows")();
    }
}

// A window of `length` values: `before` up to `position`, `at` there and
// `after` from there on.
struct Hostile {
    float before, at, after;

    std::vector<float> Window(size_t length, size_t position) const {
        std::vector<float> values(length, before);
        values[position] = at;
        for (size_t i = position + 1; i < length; ++i) values[i] = after;
        return values;
    }
    Hostile Negated() const { return {-before, -at, -after}; }
};

// Every length 1 .. 600 (so every tail length of every vector width), at
// every alignment, with the value that decides the result at every position:
// zeros of either sign against a plateau of the other, the largest finite
// floats and infinities, denormals against zeros, a lone number among
// not-a-numbers. The uppers take these windows and the lowers their
// negations, each position meeting the kinds and alignments in turn.
TEST(WindowExtremes, MatchesThePlainScanBitForBitOnHostileWindowsOfEveryLength) {
    constexpr float kLargest = 3.4028235e38f;
    constexpr float kDenormal = std::numeric_limits<float>::denorm_min();
    const Hostile kKinds[] = {
        {-1.0f, 0.0f, -0.0f},
        {-1.0f, -0.0f, 0.0f},
        {-0.0f, 0.0f, -0.0f},
        {0.0f, -0.0f, 0.0f},
        {-kInfinity, -kLargest, -kInfinity},
        {-kLargest, kLargest, kLargest},
        {-kInfinity, kInfinity, -kInfinity},
        {-kDenormal, kDenormal, 0.0f},
        {0.0f, -kDenormal, -0.0f},
        {kNaN, 1.0f, kNaN},
        {2.0f, 3.0f, 3.0f},
        {1e-39f, -0.0f, 1e-39f},
        {kNaN, -0.0f, 0.0f},
    };
    // A count prime to 16, so that as the length grows each position meets
    // every kind at every alignment.
    static_assert(std::size(kKinds) == 13);
    constexpr size_t kLongest = 600;
    const size_t kinds = std::size(kKinds);
    std::string checked;
    for (const Build& build : Builds()) checked += build.name + " ";
    RecordProperty("builds", checked);
    for (size_t length = 1; length <= kLongest; ++length) {
        for (size_t position = 0; position < length; ++position) {
            const Hostile& upper = kKinds[(length + position) % kinds];
            const Hostile& lower = kKinds[(length + 2 * position + 1) % kinds];
            ExpectBitIdentical(upper.Window(length, position), lower.Negated().Window(length, position),
                               length + 3 * position);
            if (HasFatalFailure()) {
                ADD_FAILURE() << "the deciding value at " << position << " of " << length;
                return;
            }
        }
    }
}

TEST(WindowExtremes, MatchesThePlainScanBitForBitOnSeededRandomWindows) {
    const float kSpecial[] = {kNaN,   -kNaN,  0.0f, -0.0f, kInfinity, -kInfinity, kNoUpperExtreme, kNoLowerExtreme,
                              1e-45f, -1e-45f};
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
        ExpectBitIdentical(uppers, lowers, static_cast<size_t>(trial));
        if (HasFatalFailure()) return;
    }
}

// Two windows a bar apart from one scan: each exactly the plain scan of its
// own bars, on seeded windows rich in zeros, not-a-number and the start
// values, so that leaving and entering bars often tie with the extremes.
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
        ExpectBitIdentical(uppers, lowers, static_cast<size_t>(trial));
        if (HasFatalFailure()) return;
        const AdjacentWindowExtremes windows = ScanAdjacentWindows(uppers, lowers);
        const bool equalValues =
            windows.previous.upper == windows.current.upper && windows.previous.lower == windows.current.lower;
        sameButNotEqualBits += equalValues && !windows.Same() ? 1 : 0;
    }
    EXPECT_GT(sameButNotEqualBits, 20);  // zeros of either sign made equal windows differ in bits
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
