// What the driver and session benchmarks share: the study library as the
// platform loads it, a long seeded walk of bars, and processor time.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "host/runtime/Chart.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::bench {

// The library built beside the benchmark, unless KOVRA_STUDY_LIBRARY names another.
inline const host::StudyLibrary& Library() {
    static const host::StudyLibrary library([] {
        const char* named = std::getenv("KOVRA_STUDY_LIBRARY");
        return named != nullptr && *named != '\0' ? named : KOVRA_BUILT_STUDY_LIBRARY;
    }());
    return library;
}

// One-minute bars of a seeded random walk in quarter-point ticks around 4500.
inline host::BarColumns WalkBars(int32_t count) {
    std::mt19937 engine(42);
    std::uniform_int_distribution<int> step(-4, 4), wick(0, 3);
    host::BarColumns bars;
    float price = 4500.0f;
    for (int32_t bar = 0; bar < count; ++bar) {
        const float open = price;
        price = std::max(1.0f, price + 0.25f * static_cast<float>(step(engine)));
        const float high = std::max(open, price) + 0.25f * static_cast<float>(wick(engine));
        const float low = std::min(open, price) - 0.25f * static_cast<float>(wick(engine));
        bars.Append(int64_t{bar} * 60'000'000, open, high, low, price);
    }
    return bars;
}

// Processor time of the calling thread: on a machine shared with other work
// it counts this benchmark's own time only.
inline double ThreadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

}  // namespace kovra::bench
