// A workspace's costs: opening 200 instruments of 5,000 daily bars on two
// worker threads with every watchlist row (wall clock, and the heap each
// instrument holds against the bytes of its bars and series, once opened and
// after one new bar each: glibc's count of bytes in use, mallinfo2, before
// and after, over the number of instruments), and a new bar
// on one instrument in workspaces of 1, 20 and 200 instruments (the engine
// thread's processor time), which must not grow with their number.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/BarFiles.h"
#include "bench/support/BenchSupport.h"
#include "host/workspace/Workspace.h"

namespace {

using namespace kovra;

constexpr bench::DataSet kWorkspace{"workspace", 200, 5000, false};

std::vector<std::string> BarFiles(int32_t count) {
    const std::filesystem::path folder = bench::EnsureDataSet(kWorkspace);
    std::vector<std::string> files;
    for (int32_t file = 0; file < count; ++file)
        files.push_back((folder / fmt::format("workspace{:04}.csv", file)).string());
    return files;
}

// Bytes the heap hands out now, on every arena (mmapped blocks included).
double HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// The bytes of an instrument's bars (date-time and five prices a bar) and of
// the series its study fetched.
double BarsAndSeriesBytes(const host::Instrument& instrument) {
    const host::StudyInstance& study = instrument.chart()->study();
    const auto bars = static_cast<double>(instrument.chart()->chart().bars.size());
    double bytes = bars * (sizeof(int64_t) + 5 * sizeof(float));
    for (int32_t subgraph = 0; subgraph < static_cast<int32_t>(study.subgraphs().size()); ++subgraph)
        if (study.SeriesFetched(subgraph)) bytes += bars * sizeof(float);
    return bytes;
}

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

host::WorkspaceOptions TwoWorkers() {
    host::WorkspaceOptions options;
    options.jobs = 2;
    return options;
}

void OpenWorkspace(benchmark::State& state) {
    const std::vector<std::string> files = BarFiles(kWorkspace.files);
    for (auto _ : state) {
        host::WorkspaceStore store;
        const double heapBefore = HeapInUse(), processorBefore = ProcessorSeconds();
        const auto started = std::chrono::steady_clock::now();
        host::Workspace workspace(bench::Library().studyFunction(), files, TwoWorkers(), store);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const double held = HeapInUse() - heapBefore;
        double barsAndSeries = 0;
        for (const host::Instrument& instrument : workspace.instruments()) {
            if (instrument.status() != host::InstrumentStatus::kReady || instrument.row().frame == std::nullopt)
                state.SkipWithError("an instrument failed or has no levels");
            barsAndSeries += BarsAndSeriesBytes(instrument);
        }
        state.SetIterationTime(seconds);
        state.counters["instruments"] = static_cast<double>(workspace.instruments().size());
        state.counters["wall_s"] = seconds;
        state.counters["cpu_s"] = ProcessorSeconds() - processorBefore;
        state.counters["heap_per_instrument_kB"] = held / files.size() / 1024;
        state.counters["bars_series_per_instrument_kB"] = barsAndSeries / files.size() / 1024;
        state.counters["heap_to_bars_series"] = held / barsAndSeries;
        // The columns and series grow by an eighth of their room at the first new bar.
        for (host::InstrumentId id = 0; id < workspace.instruments().size(); ++id) {
            const host::BarColumns& bars = workspace.instrument(id).chart()->chart().bars;
            host::Bar next = bars.At(bars.size() - 1);
            next.dateTime += int64_t{86400} * 1'000'000;
            workspace.TakeBars(id, {next});
        }
        state.counters["heap_to_bars_series_after_a_new_bar"] = (HeapInUse() - heapBefore) / barsAndSeries;
    }
}
BENCHMARK(OpenWorkspace)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One new daily bar on the first instrument per iteration, its close moving
// up and down by 1 % so that lines are crossed now and then.
void NewBarOnOneInstrument(benchmark::State& state) {
    const auto count = static_cast<int32_t>(state.range(0));
    host::WorkspaceStore store;
    host::Workspace workspace(bench::Library().studyFunction(), BarFiles(count), TwoWorkers(), store);
    const host::BarColumns& bars = workspace.instrument(0).chart()->chart().bars;
    host::Bar bar = bars.At(bars.size() - 1);
    const float base = bar.close;
    int64_t alerts = 0, taken = 0;
    for (auto _ : state) {
        bar.dateTime += int64_t{86400} * 1'000'000;
        bar.close = base * (1 + 0.01f * static_cast<float>(taken % 5) - 0.02f);
        bar.open = bar.low = bar.high = bar.close;
        const double started = bench::ThreadNanoseconds();
        alerts += static_cast<int64_t>(workspace.TakeBars(0, {bar}).alerts.size());
        state.SetIterationTime((bench::ThreadNanoseconds() - started) / 1e9);
        ++taken;
    }
    state.counters["instruments"] = count;
    state.counters["alerts_per_bar"] = static_cast<double>(alerts) / static_cast<double>(taken);
}
BENCHMARK(NewBarOnOneInstrument)
    ->Arg(1)
    ->Arg(20)
    ->Arg(200)
    ->Iterations(2000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
