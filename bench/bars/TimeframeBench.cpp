// Aggregating 3 million one-minute bars (about six years of a 24-hour market)
// into 5-minute bars: the check that the timeframe fits the bars, then the
// buckets. Target: at most 0.1 s of processor time.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "host/bars/BarAggregator.h"
#include "host/bars/BarColumns.h"
#include "host/bars/Timeframe.h"

namespace {

constexpr int32_t kBars = 3'000'000;
constexpr int64_t kMinute = 60'000'000;
constexpr int64_t k20180102 = 43'102LL * 86'400'000'000;

kovra::host::BarColumns MinuteBars() {
    kovra::host::BarColumns bars;
    int64_t quarters = 4512 * 4;
    uint64_t state = 2188;
    for (int32_t bar = 0; bar < kBars; ++bar) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        quarters += static_cast<int64_t>((state >> 33) % 5) - 2;
        const float open = static_cast<float>(quarters) / 4, close = static_cast<float>(quarters + 1) / 4;
        bars.Append(k20180102 + bar * kMinute, open, close + 0.5f, open - 0.75f, close,
                    static_cast<float>(100 + (state >> 40) % 900));
    }
    return bars;
}

void AggregateOneMinuteToFiveMinutes(benchmark::State& state) {
    const kovra::host::BarColumns minutes = MinuteBars();
    const kovra::host::TimeframeBuckets buckets({kovra::host::TimeUnit::kMinute, 5}, 0);
    for (auto _ : state) {
        const kovra::host::BarColumns five = kovra::host::AggregateBars(minutes, buckets);
        benchmark::DoNotOptimize(five.close.data());
        if (five.size() != kBars / 5) state.SkipWithError("wrong bucket count");
    }
    state.counters["bars"] = static_cast<double>(kBars);
}

BENCHMARK(AggregateOneMinuteToFiveMinutes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
