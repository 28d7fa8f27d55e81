// Loading bar files: 3 million one-minute bars (about six years of a
// 24-hour market) as ISO date-times, as date and time columns, and as epoch
// instants shown in New York's wall clock; from memory and from a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"
#include "host/text/DateTimeText.h"

namespace {

constexpr int64_t kBars = 3'000'000;
constexpr int64_t kMinute = 60'000'000;
constexpr int64_t k20180102 = 43'102LL * 86'400'000'000;
constexpr int64_t kUnix20180102 = 1'514'851'200;

enum class Layout { kIso, kDateAndTime, kEpoch };

// Prices walk on a quarter-point grid so every row has the decimals real files have.
std::string MakeBars(Layout layout) {
    std::string text = layout == Layout::kDateAndTime ? "Date,Time,Open,High,Low,Close,Volume\n"
                       : layout == Layout::kEpoch     ? "time,open,high,low,close,volume\n"
                                                      : "datetime,open,high,low,close,volume\n";
    text.reserve(static_cast<size_t>(kBars) * 56);
    fmt::memory_buffer stamp;
    int64_t quarters = 4512 * 4;
    uint64_t state = 2188;
    for (int64_t bar = 0; bar < kBars; ++bar) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        quarters += static_cast<int64_t>((state >> 33) % 5) - 2;
        const double open = quarters / 4.0, close = (quarters + 1) / 4.0;
        stamp.clear();
        if (layout == Layout::kEpoch) {
            fmt::format_to(std::back_inserter(stamp), "{}", kUnix20180102 + bar * 60);
        } else {
            kovra::host::AppendDateTime(stamp, k20180102 + bar * kMinute);
            if (layout == Layout::kDateAndTime) stamp[10] = ',';
        }
        fmt::format_to(std::back_inserter(text), "{},{:.2f},{:.2f},{:.2f},{:.2f},{}\n", fmt::to_string(stamp), open,
                       close + 0.5, open - 0.75, close, 100 + (state >> 40) % 900);
    }
    return text;
}

void LoadFromMemory(benchmark::State& state, Layout layout) {
    const std::string text = MakeBars(layout);
    kovra::host::BarsLoadOptions options;
    if (layout == Layout::kEpoch) options.timeZone = "America/New_York";
    for (auto _ : state) {
        const kovra::host::LoadedBars loaded = kovra::host::ParseBarsCsv(text, "bench.csv", options);
        benchmark::DoNotOptimize(loaded.bars.close.data());
        if (loaded.bars.size() != kBars) state.SkipWithError("lost bars");
    }
    state.counters["bars"] = static_cast<double>(kBars);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void LoadFromFile(benchmark::State& state) {
    const std::string path = "/tmp/kovra-bars-bench.csv";
    const std::string text = MakeBars(Layout::kIso);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        state.SkipWithError("cannot write the bench file");
        return;
    }
    std::fclose(file);
    for (auto _ : state) {
        const kovra::host::LoadedBars loaded = kovra::host::LoadBarsCsv(path);
        benchmark::DoNotOptimize(loaded.bars.close.data());
    }
    std::remove(path.c_str());
    state.counters["bars"] = static_cast<double>(kBars);
}

BENCHMARK_CAPTURE(LoadFromMemory, iso_datetime, Layout::kIso)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(LoadFromMemory, date_and_time, Layout::kDateAndTime)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(LoadFromMemory, epoch_in_new_york, Layout::kEpoch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(LoadFromFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
