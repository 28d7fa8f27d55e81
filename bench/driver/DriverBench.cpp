// The cost per bar of a full recalculation of 1,000,000 bars through the
// loaded study library ("Optimized", "Price Extremes" HL), on a reused
// instance (as after a button push: the host blanks the series and calls every
// bar again) and on a fresh one (the host fetches the series on the way), with
// "Show Frame History" yes and no, at 16- and 512-bar windows ("Frame Size"
// 16, and 256 with 100 % prior inclusion).
//
// Every version of the window scan the processor runs is measured side by
// side: called directly for the scan alone, and through a build of the
// library that runs only it ("scan:avx2" and so on) for the reused
// recalculations; "scan:loaded" is the shipped library, the loader's pick.
//
// The yardstick is the plain transcription of the "Optimized" routine alone
// over the same windows' extremes; every benchmark after it reports its ratio
// to it ("x_yardstick", against the median of the yardstick's repetitions so
// far in this run), a fresh instance also to the shipped library's reused one
// ("x_reused"). For where the time goes: the library's routine alone, the
// window scan alone, the host's own work for a study that does nothing, the
// blanking of fifteen series and the filling of fifteen new ones (the
// memory's first touch, counted in page faults). Times are the benchmark
// thread's processor time, so other work on the machine counts less.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/driver/LiteralOptimizedLevels.h"
#include "bench/support/BenchSupport.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudySettings.h"
#include "levels/ComputeOptimizedLevels.h"
#include "study/WindowExtremes.h"

namespace {

using namespace kovra;

constexpr int32_t kBars = 1'000'000;
constexpr int32_t kRepeats = 5;  // iterations per benchmark: full recalculations take about 0.1 s

const host::BarColumns& SharedBars() {
    static const host::BarColumns bars = bench::WalkBars(kBars);
    return bars;
}

struct Window {
    int32_t bars;
    const char* frameSize;
    const char* inclusion;
};
constexpr Window kWindows[] = {{16, "16", "0%"}, {512, "256", "100%"}};

host::StudySettings SettingsFor(const Window& window, bool history) {
    return {{{"Frame Algorithm", "Optimized"},
             {"Frame Size", window.frameSize},
             {"Prior Frame Inclusion", window.inclusion},
             {"Price Extremes", "HL"},
             {"Show Frame History", history ? "yes" : "no"}},
            {}};
}

// Nanoseconds per bar of every repetition so far in this run, by what ran:
// the yardstick per window, the loaded library's reused recalculations.
std::map<std::string, std::vector<double>>& Runs() {
    static std::map<std::string, std::vector<double>> runs;
    return runs;
}

double Median(const std::string& what) {
    std::vector<double> runs = Runs()[what];
    if (runs.empty()) return 0;
    std::nth_element(runs.begin(), runs.begin() + static_cast<ptrdiff_t>(runs.size() / 2), runs.end());
    return runs[runs.size() / 2];
}

std::string YardstickRun(int32_t window) { return "yardstick/" + std::to_string(window); }
std::string ReusedRun(int32_t window, bool history) {
    return "reused/" + std::to_string(window) + (history ? "/history" : "");
}

// Processor time of the measured parts per bar, and the page faults they took
// (memory touched for the first time).
class BarClock {
public:
    void Start() {
        started_ = bench::ThreadNanoseconds();
        faultsAtStart_ = MinorFaults();
    }
    void Stop(int64_t bars) {
        spent_ += bench::ThreadNanoseconds() - started_;
        faults_ += MinorFaults() - faultsAtStart_;
        bars_ += bars;
    }
    double PerBar() const { return bars_ > 0 ? spent_ / static_cast<double>(bars_) : 0; }
    double FaultsPerThousandBars() const {
        return bars_ > 0 ? 1000.0 * static_cast<double>(faults_) / static_cast<double>(bars_) : 0;
    }

private:
    static int64_t MinorFaults() {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_minflt;
    }

    double started_ = 0, spent_ = 0;
    int64_t faultsAtStart_ = 0, faults_ = 0, bars_ = 0;
};

void Report(benchmark::State& state, const BarClock& clock, int32_t window) {
    state.counters["ns_per_bar"] = clock.PerBar();
    state.counters["faults_per_1k_bars"] = clock.FaultsPerThousandBars();
    if (const double yardstick = Median(YardstickRun(window)); yardstick > 0)
        state.counters["x_yardstick"] = clock.PerBar() / yardstick;
}

struct Extremes {
    double high, low;
};

// The extremes the driver hands the routine on every bar with a full window
// (a sliding maximum of the highs and minimum of the lows).
std::vector<Extremes> WindowExtremesOf(int32_t window) {
    const host::BarColumns& bars = SharedBars();
    std::vector<Extremes> frames;
    std::deque<int32_t> highs, lows;  // candidate positions, best first
    for (int32_t bar = 0; bar < kBars; ++bar) {
        while (!highs.empty() && bars.high[highs.back()] <= bars.high[bar]) highs.pop_back();
        while (!lows.empty() && bars.low[lows.back()] >= bars.low[bar]) lows.pop_back();
        highs.push_back(bar);
        lows.push_back(bar);
        if (highs.front() <= bar - window) highs.pop_front();
        if (lows.front() <= bar - window) lows.pop_front();
        if (bar >= window) frames.push_back({bars.high[highs.front()], bars.low[lows.front()]});
    }
    return frames;
}

template <typename Routine>
void RoutineAlone(benchmark::State& state, int32_t window, Routine routine, bool yardstick) {
    const std::vector<Extremes> frames = WindowExtremesOf(window);
    BarClock clock;
    for (auto _ : state) {
        clock.Start();
        for (const Extremes& frame : frames) benchmark::DoNotOptimize(routine(frame.high, frame.low));
        clock.Stop(static_cast<int64_t>(frames.size()));
    }
    if (yardstick) Runs()[YardstickRun(window)].push_back(clock.PerBar());
    Report(state, clock, window);
    // The share of bars whose window extremes repeat the previous bar's: the
    // driver copies those bars' levels instead of calling the routine.
    int64_t repeats = 0;
    for (size_t i = 1; i < frames.size(); ++i)
        repeats += frames[i].high == frames[i - 1].high && frames[i].low == frames[i - 1].low ? 1 : 0;
    state.counters["repeat_share"] = static_cast<double>(repeats) / static_cast<double>(frames.size());
}

// As a button push recalculates: the host blanks the series, then calls
// every bar of the instance that already holds them.
void ReusedRecalculation(benchmark::State& state, const Window& window, bool history,
                         const bench::MeasuredLibrary& measured) {
    host::ChartSession session(SharedBars(), measured.library->studyFunction());
    session.Start(SettingsFor(window, history));
    BarClock clock;
    for (auto _ : state) {
        clock.Start();
        session.FullRecalculation();
        clock.Stop(kBars);
    }
    Report(state, clock, window.bars);
    state.SetLabel(measured.instructionSet);
    if (measured.library == &bench::Library()) Runs()[ReusedRun(window.bars, history)].push_back(clock.PerBar());
}

// As when the study is added to a chart: a new instance, its defaults call
// and settings (not timed), then every bar; against the reused instance too.
void FreshRecalculation(benchmark::State& state, const Window& window, bool history) {
    host::Chart chart;
    chart.bars = SharedBars();
    std::unique_ptr<host::StudyInstance> study;
    BarClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        study.reset();
        study = std::make_unique<host::StudyInstance>(chart, bench::Library().studyFunction(), 1);
        study->CallDefaults();
        host::ApplyStudySettings(*study, SettingsFor(window, history));
        state.ResumeTiming();
        clock.Start();
        for (int32_t bar = 0; bar < kBars; ++bar) study->CallBar(bar);
        clock.Stop(kBars);
    }
    Report(state, clock, window.bars);
    if (const double reused = Median(ReusedRun(window.bars, history)); reused > 0)
        state.counters["x_reused"] = clock.PerBar() / reused;
}

// The host's own share: a full recalculation of a study that does nothing,
// and the blanking of fifteen series of 1,000,000 bars it starts with.
void HostAlone(benchmark::State& state) {
    host::ChartSession session(SharedBars(), [](HostStudyInterface&) {});
    session.Start();
    BarClock clock;
    for (auto _ : state) {
        clock.Start();
        session.FullRecalculation();
        clock.Stop(kBars);
    }
    Report(state, clock, kWindows[1].bars);
}

// What the host does to a chart's fifteen series of 1,000,000 bars: blank
// them before a recalculation, and, for a new chart, take new storage and
// fill it with "no value", the memory touched for the first time.
constexpr int kSeries = 15;

void BlankFifteenSeries(benchmark::State& state) {
    std::vector<host::StudyInstance::SeriesValues> series(kSeries, host::StudyInstance::SeriesValues(kBars));
    BarClock clock;
    for (auto _ : state) {
        clock.Start();
        for (host::StudyInstance::SeriesValues& values : series) std::fill(values.begin(), values.end(), std::nanf(""));
        benchmark::ClobberMemory();
        clock.Stop(kBars);
    }
    Report(state, clock, kWindows[1].bars);
}

void NewFifteenSeries(benchmark::State& state) {
    BarClock clock;
    for (auto _ : state) {
        std::vector<host::StudyInstance::SeriesValues> series(kSeries);
        clock.Start();
        for (host::StudyInstance::SeriesValues& values : series) values.resize(kBars, std::nanf(""));
        benchmark::ClobberMemory();
        clock.Stop(kBars);
        state.PauseTiming();
        series.clear();
        state.ResumeTiming();
    }
    Report(state, clock, kWindows[1].bars);
}

// The driver's scan of each window over the two extreme series.
void WindowScanAlone(benchmark::State& state, int32_t window, const bench::MeasuredLibrary& measured) {
    const host::BarColumns& bars = SharedBars();
    BarClock clock;
    for (auto _ : state) {
        clock.Start();
        for (int32_t bar = window; bar < kBars; ++bar) {
            const auto first = static_cast<size_t>(bar - window + 1);
            benchmark::DoNotOptimize(
                measured.scan({bars.high.data() + first, size_t(window)}, {bars.low.data() + first, size_t(window)}));
        }
        clock.Stop(kBars - window);
    }
    Report(state, clock, window);
    state.SetLabel(measured.instructionSet);
}

// Per window: the yardstick, then for the shipped library and each build of
// it that runs one version of the window scan, the scan alone and reused
// recalculations; fresh instances of the shipped library.
void RegisterAll() {
    const auto add = [](const std::string& name, auto body) {
        benchmark::RegisterBenchmark(name.c_str(), body)->Unit(benchmark::kMillisecond)->Iterations(kRepeats);
    };
    const auto historyName = [](bool history) { return std::string("/history:") + (history ? "yes" : "no"); };
    const std::vector<bench::MeasuredLibrary> libraries = bench::MeasuredLibraries();
    for (const Window& window : kWindows) {
        const std::string w = "/window:" + std::to_string(window.bars);
        add("Yardstick" + w,
            [w = window.bars](benchmark::State& s) { RoutineAlone(s, w, bench::LiteralOptimizedLevels, true); });
        add("OptimizedRoutineAlone" + w,
            [w = window.bars](benchmark::State& s) { RoutineAlone(s, w, levels::ComputeOptimizedLevels, false); });
        for (const bench::MeasuredLibrary& measured : libraries) {
            const std::string scan = "/scan:" + measured.name;
            add("WindowScanAlone" + w + scan,
                [w = window.bars, measured](benchmark::State& s) { WindowScanAlone(s, w, measured); });
            for (const bool history : {true, false}) {
                add("Recalculation/reused" + w + historyName(history) + scan,
                    [window, history, measured](benchmark::State& s) {
                        ReusedRecalculation(s, window, history, measured);
                    });
            }
        }
        for (const bool history : {true, false}) {
            add("Recalculation/fresh" + w + historyName(history),
                [window, history](benchmark::State& s) { FreshRecalculation(s, window, history); });
        }
    }
    add("HostAlone", HostAlone);
    add("BlankFifteenSeries", BlankFifteenSeries);
    add("NewFifteenSeries", NewFifteenSeries);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
