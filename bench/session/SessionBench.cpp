// The host's side of a live chart: a real-time update of the last bar that
// runs the full drawing pass, one that draws nothing (both on the embedded
// sample bars with the study's default inputs), and a button push on
// 1,000,000 bars with a 512-bar window, from the click to the new levels and
// drawings (the push's call and the recalculation it asks for), for the
// shipped library and each build of it that runs one version of the window
// scan. Times are the benchmark thread's processor time.
#include <benchmark/benchmark.h>

#include "bench/support/BenchSupport.h"
#include "host/bars/SampleBars.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyInstance.h"

namespace {

using namespace kovra;

constexpr int32_t kOptimizedButton = 14;  // "Opt": selects the algorithm in force and recalculates

// The sample chart after its full recalculation, with the last bar ready to move.
struct LiveChart {
    LiveChart() {
        chart.bars = host::SampleBars().bars;
        study.CallDefaults();
        for (int32_t bar = 0; bar < chart.bars.size(); ++bar) study.CallBar(bar);
    }
    // As the platform plays an update: new prices for the last bar, then its call.
    void Update(float high, float low, float close) {
        chart.bars.high.back() = high;
        chart.bars.low.back() = low;
        chart.bars.close.back() = close;
        study.CallBar(chart.bars.size() - 1);
        study.TakeRecalculationRequest();
    }
    int64_t Passes() const { return chart.drawings.ClearsOf(1); }

    host::Chart chart;
    host::StudyInstance study{chart, bench::Library().studyFunction(), 1};
};

// Each update moves the last bar's high to one of two heights, each far
// enough to give levels of its own, so every update restarts the frame and
// draws it again.
void LiveUpdateWithDrawingPass(benchmark::State& state) {
    LiveChart live;
    const float high = live.chart.bars.high.back(), low = live.chart.bars.low.back();
    const float close = live.chart.bars.close.back();
    const int64_t passesBefore = live.Passes();
    bool further = false;
    for (auto _ : state) {
        further = !further;
        live.Update(high + (further ? 80.0f : 40.0f), low, close);
    }
    state.counters["passes_per_update"] =
        static_cast<double>(live.Passes() - passesBefore) / static_cast<double>(state.iterations());
}

// Each update moves the close within the bar's high and low: the levels stay
// and nothing is drawn.
void LiveUpdateDrawingNothing(benchmark::State& state) {
    LiveChart live;
    const float high = live.chart.bars.high.back(), low = live.chart.bars.low.back();
    live.Update(high, low, low);
    const int64_t passesBefore = live.Passes();
    bool up = false;
    for (auto _ : state) {
        up = !up;
        live.Update(high, low, up ? high : low);
    }
    state.counters["passes_per_update"] =
        static_cast<double>(live.Passes() - passesBefore) / static_cast<double>(state.iterations());
}

void ButtonPushOnAMillionBars(benchmark::State& state, const bench::MeasuredLibrary& measured) {
    host::ChartSession session(bench::WalkBars(1'000'000), measured.library->studyFunction());
    session.Start({{{"Frame Size", "256"}, {"Prior Frame Inclusion", "100%"}, {"Frame Algorithm", "Optimized"}}, {}});
    const int64_t recalculationsBefore = session.fullRecalculations();
    const int64_t passesBefore = session.drawingPasses();
    for (auto _ : state) session.Push(kOptimizedButton, kButtonPushedOn);
    const auto perPush = [&](int64_t count) {
        return static_cast<double>(count) / static_cast<double>(state.iterations());
    };
    state.counters["recalculations_per_push"] = perPush(session.fullRecalculations() - recalculationsBefore);
    state.counters["passes_per_push"] = perPush(session.drawingPasses() - passesBefore);
    state.SetLabel(measured.instructionSet);
}

}  // namespace

BENCHMARK(LiveUpdateWithDrawingPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(LiveUpdateDrawingNothing)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (const bench::MeasuredLibrary& measured : bench::MeasuredLibraries())
        benchmark::RegisterBenchmark(("ButtonPushOnAMillionBars/scan:" + measured.name).c_str(),
                                     [measured](benchmark::State& state) { ButtonPushOnAMillionBars(state, measured); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
