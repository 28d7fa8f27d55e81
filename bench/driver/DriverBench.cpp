// Cost per bar of a full recalculation of 1,000,000 bars with a 512-bar
// window ("Frame Size" 256, "Prior Frame Inclusion" 100%, "Optimized"),
// host overhead included, and of ComputeOptimizedLevels alone on the same
// frames; and the window scan alone, for its share.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <random>
#include <vector>

#include "host/StudyInstance.h"
#include "host/StudyLibrary.h"
#include "layout/StudyLayout.h"
#include "levels/ComputeOptimizedLevels.h"
#include "study/WindowExtremes.h"

namespace {

using namespace kovra::layout;
using kovra::host::Chart;
using kovra::study::ScanWindowExtremes;
using kovra::host::StudyInstance;
using kovra::host::StudyLibrary;

constexpr int32_t kBars = 1'000'000;
constexpr int32_t kWindow = 512;
constexpr float kFrameSize256 = 6, kInclusion100 = 2, kOptimized = 1;

// A seeded random walk in quarter-point ticks around 4500.
void FillBars(Chart& chart) {
    std::mt19937 engine(42);
    std::uniform_int_distribution<int> step(-4, 4), wick(0, 3);
    float price = 4500.0f;
    for (int32_t bar = 0; bar < kBars; ++bar) {
        const float open = price;
        price = std::max(1.0f, price + 0.25f * static_cast<float>(step(engine)));
        const float high = std::max(open, price) + 0.25f * static_cast<float>(wick(engine));
        const float low = std::min(open, price) - 0.25f * static_cast<float>(wick(engine));
        chart.bars.Append(int64_t{bar} * 60'000'000, open, high, low, price);
    }
}

// One chart for every benchmark, built once (a recalculation's drawing pass adds to it).
Chart& SharedChart() {
    static Chart* chart = [] {
        auto* made = new Chart;
        FillBars(*made);
        return made;
    }();
    return *chart;
}

void PerBar(benchmark::State& state, int64_t barsPerIteration) {
    state.counters["per_bar"] = benchmark::Counter(static_cast<double>(barsPerIteration),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void FullRecalculation(benchmark::State& state) {
    const char* named = std::getenv("KOVRA_STUDY_LIBRARY");
    const StudyLibrary library(named != nullptr && *named != '\0' ? named : KOVRA_BUILT_STUDY_LIBRARY);
    Chart& chart = SharedChart();
    std::unique_ptr<StudyInstance> study;
    for (auto _ : state) {
        state.PauseTiming();  // a fresh instance, as the platform has when the study is added
        study.reset();
        study = std::make_unique<StudyInstance>(chart, library.studyFunction(), 1);
        study->CallDefaults();
        study->SetInputValue(kInputFrameSize, kFrameSize256);
        study->SetInputValue(kInputPriorFrameInclusion, kInclusion100);
        study->SetInputValue(kInputFrameAlgorithm, kOptimized);
        state.ResumeTiming();
        for (int32_t bar = 0; bar < kBars; ++bar) study->CallBar(bar);
        benchmark::DoNotOptimize(study->SeriesValue(kSubgraphTop, kBars - 1));
    }
    PerBar(state, kBars);
}

struct Frame {
    double high, low;
};

// The window extremes the driver hands the routine, bar by bar (a sliding
// maximum and minimum over the highs and lows).
std::vector<Frame> Frames() {
    const Chart& chart = SharedChart();
    std::vector<Frame> frames;
    std::deque<int32_t> highs, lows;  // candidate positions, best first
    for (int32_t bar = 0; bar < kBars; ++bar) {
        while (!highs.empty() && chart.bars.high[highs.back()] <= chart.bars.high[bar]) highs.pop_back();
        while (!lows.empty() && chart.bars.low[lows.back()] >= chart.bars.low[bar]) lows.pop_back();
        highs.push_back(bar);
        lows.push_back(bar);
        if (highs.front() <= bar - kWindow) highs.pop_front();
        if (lows.front() <= bar - kWindow) lows.pop_front();
        if (bar >= kWindow) frames.push_back({chart.bars.high[highs.front()], chart.bars.low[lows.front()]});
    }
    return frames;
}

void OptimizedRoutineAlone(benchmark::State& state) {
    const std::vector<Frame> frames = Frames();
    for (auto _ : state)
        for (const Frame& frame : frames)
            benchmark::DoNotOptimize(kovra::levels::ComputeOptimizedLevels(frame.high, frame.low));
    PerBar(state, static_cast<int64_t>(frames.size()));
}

// The driver's scan of the 512-bar window over the two extreme series, for
// the share of the per-bar cost it takes.
void WindowScanAlone(benchmark::State& state) {
    const Chart& chart = SharedChart();
    for (auto _ : state)
        for (int32_t bar = kWindow; bar < kBars; ++bar) {
            const size_t first = static_cast<size_t>(bar - kWindow + 1);
            benchmark::DoNotOptimize(ScanWindowExtremes({chart.bars.high.data() + first, kWindow},
                                                        {chart.bars.low.data() + first, kWindow}));
        }
    PerBar(state, kBars - kWindow);
}

}  // namespace

BENCHMARK(WindowScanAlone)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FullRecalculation)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OptimizedRoutineAlone)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
