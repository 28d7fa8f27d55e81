// Times each level routine over realistic frames: prices from 1.1 to 17000,
// ranges of 0.05 % to 5 % of the price, as 32-bit series values; each as the
// study runs it (powers looked up) and computing every power.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "levels/ComputeAcceleratedLevels.h"
#include "levels/ComputeNormalizedLevels.h"
#include "levels/ComputeOptimizedLevels.h"
#include "levels/detail/AcceleratedTrace.h"
#include "levels/detail/NormalizedTrace.h"
#include "levels/detail/OptimizedTrace.h"

namespace {

using namespace kovra::levels;

struct Frame {
    float high;
    float low;
};

const std::vector<Frame>& RealisticFrames() {
    static const std::vector<Frame> frames = [] {
        std::mt19937_64 engine(20240601);
        const double prices[] = {1.1, 23.7, 156.3, 4512.25, 17250};
        std::uniform_real_distribution<double> share(0.0005, 0.05);
        std::vector<Frame> result;
        for (int i = 0; i < 4096; ++i) {
            const double price = prices[i % 5] * (1 + share(engine));
            const float high = static_cast<float>(price);
            result.push_back({high, static_cast<float>(price * (1 - share(engine)))});
        }
        return result;
    }();
    return frames;
}

template <typename Routine>
void RunOverFrames(benchmark::State& state, Routine routine) {
    const std::vector<Frame>& frames = RealisticFrames();
    std::size_t i = 0;
    for (auto _ : state) {
        const Frame& frame = frames[i++ % frames.size()];
        benchmark::DoNotOptimize(routine(frame.high, frame.low));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Accelerated(benchmark::State& state) {
    RunOverFrames(state, [](float high, float low) { return ComputeAcceleratedLevels(high, low); });
}
void BM_Optimized(benchmark::State& state) {
    RunOverFrames(state, [](float high, float low) { return ComputeOptimizedLevels(high, low); });
}
void BM_Normalized(benchmark::State& state) {
    RunOverFrames(state, [](float high, float low) { return ComputeNormalizedLevels(high, low); });
}

void BM_AcceleratedComputingPowers(benchmark::State& state) {
    RunOverFrames(state, [](float high, float low) {
        return detail::TraceAcceleratedLevels<detail::ComputedPowers>(high, low).levels;
    });
}
void BM_OptimizedComputingPowers(benchmark::State& state) {
    RunOverFrames(state, [](float high, float low) {
        return detail::TraceOptimizedLevels<detail::ComputedPowers>(high, low).levels;
    });
}
void BM_NormalizedComputingPowers(benchmark::State& state) {
    RunOverFrames(state, [](float high, float low) {
        return detail::TraceNormalizedLevels<detail::ComputedPowers>(high, low).levels;
    });
}

BENCHMARK(BM_Accelerated);
BENCHMARK(BM_AcceleratedComputingPowers);
BENCHMARK(BM_Optimized);
BENCHMARK(BM_OptimizedComputingPowers);
BENCHMARK(BM_Normalized);
BENCHMARK(BM_NormalizedComputingPowers);

}  // namespace

BENCHMARK_MAIN();
