// The library's driver against the plain reference driver, bit for bit: every
// series value of every called bar, the three persistent integers and the
// drawing calls after every call, and the whole output at the end, over seeded
// walks and hostile bars, through full recalculations (on a fresh instance and
// on a reused one), real-time updates, new bars and button pushes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "host/bars/SplitMix64.h"
#include "host/runtime/StudyInstance.h"
#include "layout/StudyLayout.h"
#include "tests/driver/DriverHarness.h"
#include "tests/driver/ReferenceFrameDriver.h"
#include "tests/streaming/StudyOutput.h"

using namespace kovra::layout;

namespace kovra::testing {
namespace {

using host::BarColumns;
using host::SplitMix64;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = 3.4028235e38f;
constexpr int32_t kCompared = kSubgraphLowerExtreme + 1;  // the level series and the two extremes
constexpr float kNoFrameSizeText = 99;                    // a list index without an item: frame size 0

// Bars built from a seeded walk; `spoil`, when given, puts hostile values into
// some of them.
struct BarsRow {
    const char* name;
    float start, tick;
    bool floorAtTick;                                         // keep the walk above zero
    std::function<void(SplitMix64&, int32_t i, Bar&)> spoil;  // hostile values, or none
    float (*liveTick)(SplitMix64&, float close, float tick);  // the price of a real-time update
};

float WalkTick(SplitMix64& random, float close, float tick) {
    return close + tick * static_cast<float>(static_cast<int64_t>(random.Next() % 5) - 2);
}

// Now and then an update prices the bar at a hostile value.
float HostileTick(SplitMix64& random, float close, float tick) {
    constexpr float kValues[] = {kNaN, 0.0f, -0.0f, kInf, -kMax, 1e-45f, -3.0f};
    const uint64_t draw = random.Next();
    if (draw % 6 == 0) return kValues[(draw >> 8) % std::size(kValues)];
    return WalkTick(random, std::isfinite(close) ? close : 50.0f, tick);
}

BarColumns MakeBars(const BarsRow& row, int32_t count, uint64_t seed) {
    SplitMix64 random(seed);
    BarColumns bars;
    float price = row.start;
    for (int32_t i = 0; i < count; ++i) {
        const float open = price;
        price = WalkTick(random, price, row.tick);
        if (row.floorAtTick) price = std::max(price, row.tick);
        const auto wick = [&] { return row.tick * static_cast<float>(random.Next() % 3); };
        Bar bar{open, std::max(open, price) + wick(), std::min(open, price) - wick(), price};
        if (row.spoil) row.spoil(random, i, bar);
        bars.Append(45293LL * 86'400'000'000LL + int64_t{i} * 60'000'000, bar.open, bar.high, bar.low, bar.close);
    }
    return bars;
}

void Set(Bar& bar, float value) { bar = {value, value, value, value}; }

const BarsRow kBarsRows[] = {
    {"index futures walk", 4500.0f, 0.25f, true, nullptr, WalkTick},
    {"currency walk", 1.1f, 0.00001f, true, nullptr, WalkTick},
    {"walk across the 25 and 3.125 bands", 24.0f, 0.125f, true, nullptr, WalkTick},
    {"walk through zero into negative prices", 2.0f, 0.25f, false, nullptr, WalkTick},
    {"flat start, then a walk", 100.0f, 0.25f, true,
     [](SplitMix64&, int32_t i, Bar& bar) {
         if (i < 20) Set(bar, 100.0f);
     },
     WalkTick},
    {"not-a-number start, then a walk", 100.0f, 0.25f, true,
     [](SplitMix64&, int32_t i, Bar& bar) {
         if (i < 40) Set(bar, kNaN);
     },
     WalkTick},
    // Lows of zero of either sign under one high: windows whose extremes are
    // equal as numbers but not as bits.
    {"zeros of both signs under a flat high", 1.0f, 0.25f, true,
     [](SplitMix64& random, int32_t, Bar& bar) {
         const float zero = random.Next() % 2 == 0 ? 0.0f : -0.0f;
         bar = {1.5f, 1.5f, zero, random.Next() % 3 == 0 ? -zero : 1.0f};
     },
     WalkTick},
    {"hostile values and plateaus", 50.0f, 0.25f, false,
     [](SplitMix64& random, int32_t i, Bar& bar) {
         constexpr float kValues[] = {kNaN, 0.0f, -0.0f, kInf, -kInf, kMax, -kMax, 1e-45f, -1e-45f, 1e-40f, -7.5f};
         if ((i / 25) % 4 == 1) Set(bar, 50.0f);  // a plateau
         const uint64_t draw = random.Next();
         if (draw % 9 != 0) return;
         float& field = (draw >> 8) % 4 == 0   ? bar.open
                        : (draw >> 8) % 4 == 1 ? bar.high
                        : (draw >> 8) % 4 == 2 ? bar.low
                                               : bar.close;
         field = kValues[(draw >> 16) % std::size(kValues)];
     },
     HostileTick},
};

// Input values by list index; frame size kNoFrameSizeText has no text.
struct Inputs {
    float algorithm, frameSize, inclusion, extremes, history;
};

std::string Describe(const Inputs& in) {
    return fmt::format("algorithm {} frame size {} inclusion {} extremes {} history {}", in.algorithm, in.frameSize,
                       in.inclusion, in.extremes, in.history);
}

// Every algorithm, extremes and history choice, each with frame sizes 0, 16
// and 256 and every prior inclusion.
std::vector<Inputs> EveryInputs() {
    std::vector<Inputs> all;
    for (const float frameSize : {kNoFrameSizeText, float{kSize16}, float{kSize256}})
        for (float inclusion = 0; inclusion < 3; ++inclusion)
            for (float algorithm = 0; algorithm < 4; ++algorithm)
                for (float extremes = 0; extremes < 2; ++extremes)
                    for (float history = 0; history < 2; ++history)
                        all.push_back({algorithm, frameSize, inclusion, extremes, history});
    return all;
}

// One chart per driver, given the same bars, inputs and host events; after
// every call the two must agree.
class TwinCharts {
public:
    TwinCharts(const BarColumns& bars, const Inputs& inputs) {
        library_.chart.bars = bars;
        reference_.chart.bars = bars;
        for (Side* side : {&library_, &reference_}) {
            side->study->CallDefaults();
            side->study->SetInputValue(kInputFrameAlgorithm, inputs.algorithm);
            side->study->SetInputValue(kInputFrameSize, inputs.frameSize);
            side->study->SetInputValue(kInputPriorFrameInclusion, inputs.inclusion);
            side->study->SetInputValue(kInputPriceExtremes, inputs.extremes);
            side->study->SetInputValue(kInputShowFrameHistory, inputs.history);
        }
    }

    // From a blank slate, bars 0 .. n-1, as the platform recalculates.
    void Recalculate() {
        for (Side* side : {&library_, &reference_}) side->Reset();
        for (int32_t bar = 0; bar < library_.chart.bars.size() && failure_.empty(); ++bar) Call(bar);
        ++recalculations_;
    }

    void UpdateLastBar(float close) {
        for (Side* side : {&library_, &reference_}) {
            BarColumns& bars = side->chart.bars;
            bars.close.back() = close;
            bars.high.back() = std::max(bars.high.back(), close);
            bars.low.back() = std::min(bars.low.back(), close);
        }
        CallLastBar();
    }

    void StartNewBar() {
        for (Side* side : {&library_, &reference_}) {
            BarColumns& bars = side->chart.bars;
            const float open = bars.close.back();
            bars.Append(bars.dateTimes.back() + 60'000'000, open, open, open, open);
        }
        CallLastBar();
    }

    void Push(int32_t button, int32_t kind) {
        for (Side* side : {&library_, &reference_}) side->chart.pendingEvent = {button, kind};
        CallLastBar();
    }

    float LastClose() const { return library_.chart.bars.close.back(); }
    int32_t recalculations() const { return recalculations_; }
    // The first disagreement, expected (reference) and actual (library) side by side; empty when none.
    const std::string& failure() const { return failure_; }
    std::string WholeOutputDifference() const {
        const streaming::StudyOutput expected = streaming::CaptureOutput(*reference_.study);
        const streaming::StudyOutput actual = streaming::CaptureOutput(*library_.study);
        return streaming::SeriesDifference(expected, actual) + streaming::DrawingsDifference(expected, actual);
    }

private:
    struct Side {
        explicit Side(StudyFunction function) : study(std::make_unique<host::StudyInstance>(chart, function, 1)) {}
        void Reset() {
            for (StudySubgraph& subgraph : study->subgraphs())
                if (subgraph.Series.Data != nullptr) std::fill_n(subgraph.Series.Data, subgraph.Series.Count, kNaN);
            chart.drawings.ClearStudy(1);
        }
        host::Chart chart;
        std::unique_ptr<host::StudyInstance> study;
    };

    void CallLastBar() {
        if (!failure_.empty()) return;
        Call(library_.chart.bars.size() - 1);
        const bool asked = library_.study->TakeRecalculationRequest();
        if (asked != reference_.study->TakeRecalculationRequest()) failure_ = "the recalculation requests differ";
        if (asked && failure_.empty()) Recalculate();
    }

    void Call(int32_t bar) {
        for (Side* side : {&library_, &reference_}) side->study->CallBar(bar);
        ++calls_;
        const auto where = [&] {
            return fmt::format("call {} (bar {}, recalculation {}): ", calls_, bar, recalculations_);
        };
        for (int32_t subgraph = 0; subgraph < kCompared; ++subgraph) {
            const float expected = reference_.study->SeriesValue(subgraph, bar);
            const float actual = library_.study->SeriesValue(subgraph, bar);
            if (std::bit_cast<uint32_t>(expected) != std::bit_cast<uint32_t>(actual)) {
                failure_ = where() + fmt::format("subgraph {} expected {:.9g} ({:08X}), actual {:.9g} ({:08X})",
                                                 subgraph, expected, std::bit_cast<uint32_t>(expected), actual,
                                                 std::bit_cast<uint32_t>(actual));
                return;
            }
        }
        for (const int32_t key : {kFrameStartKey, kFrameEndKey, kLastDrawnKey}) {
            const int32_t expected = reference_.study->PersistentValue(key);
            const int32_t actual = library_.study->PersistentValue(key);
            if (expected != actual) {
                failure_ = where() + fmt::format("persistent integer {} expected {}, actual {}", key, expected, actual);
                return;
            }
        }
        const auto calls = [](const Side& side) {
            return std::pair{side.chart.drawings.ClearsOf(1), side.chart.drawings.SubmissionsOf(1)};
        };
        if (calls(reference_) != calls(library_))
            failure_ =
                where() + fmt::format("clears and submissions expected {}/{}, actual {}/{}", calls(reference_).first,
                                      calls(reference_).second, calls(library_).first, calls(library_).second);
    }

    Side library_{streaming::LoadedStudy()};
    Side reference_{&ReferenceStudy};
    std::string failure_;
    int64_t calls_ = 0;
    int32_t recalculations_ = 0;
};

// A chart's life: the first recalculation on a fresh instance, real-time
// updates with new bars, two button pushes (each recalculating on the reused
// instance), then more updates.
std::string Replay(const BarsRow& row, const Inputs& inputs, int32_t barCount, uint64_t seed) {
    TwinCharts twins(MakeBars(row, barCount, seed), inputs);
    SplitMix64 random(seed ^ 0x5EEDu);
    const auto updates = [&](int count) {
        for (int i = 0; i < count && twins.failure().empty(); ++i) {
            if (random.Next() % 8 == 0)
                twins.StartNewBar();
            else
                twins.UpdateLastBar(row.liveTick(random, twins.LastClose(), row.tick));
        }
    };
    twins.Recalculate();
    updates(24);
    for (int push = 0; push < 2; ++push) {
        // Mostly buttons that keep the frame size; sometimes one that changes it.
        const int32_t button = random.Next() % 4 == 0 ? 1 + static_cast<int32_t>(random.Next() % 7)
                                                      : 8 + static_cast<int32_t>(random.Next() % 10);
        twins.Push(button, random.Next() % 5 == 0 ? kButtonPushedOff : kButtonPushedOn);
    }
    updates(16);
    if (!twins.failure().empty()) return twins.failure();
    return twins.WholeOutputDifference();
}

// Frame size 256 needs up to 512 bars before the first levels.
int32_t BarsFor(const Inputs& inputs) { return inputs.frameSize == float{kSize256} ? 560 : 90; }

TEST(ReferenceDriver, TheLibrarysDriverMatchesThePlainDriverBitForBit) {
    const std::vector<Inputs> inputs = EveryInputs();
    uint64_t seed = 20261208;
    int32_t replayed = 0;
    for (size_t row = 0; row < std::size(kBarsRows); ++row) {
        int32_t longChart = 0;  // position among the frame size 256 settings
        for (const Inputs& in : inputs) {
            ++seed;
            // The long charts of frame size 256 take one extremes and history
            // choice per algorithm and inclusion, turning from row to row.
            if (in.frameSize == float{kSize256}) {
                const int32_t choice = longChart % 4, group = longChart / 4;  // extremes and history; the rest
                ++longChart;
                if (static_cast<size_t>(choice) != (group + row) % 4) continue;
            }
            const std::string failure = Replay(kBarsRows[row], in, BarsFor(in), seed);
            ASSERT_EQ(failure, "") << kBarsRows[row].name << ", " << Describe(in) << ", seed " << seed;
            ++replayed;
        }
    }
    EXPECT_EQ(replayed, static_cast<int32_t>(std::size(kBarsRows)) * (96 + 12));
}

}  // namespace
}  // namespace kovra::testing
