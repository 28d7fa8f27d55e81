// What the driver and session benchmarks share: the study library as the
// platform loads it and the builds of it that each run one version of the
// window scan, a long seeded walk of bars, and processor time.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/runtime/Chart.h"
#include "host/runtime/StudyLibrary.h"
#include "study/WindowScanVersions.h"

namespace kovra::bench {

// The library built beside the benchmark, unless KOVRA_STUDY_LIBRARY names another.
inline const host::StudyLibrary& Library() {
    static const host::StudyLibrary library([] {
        const char* named = std::getenv("KOVRA_STUDY_LIBRARY");
        return named != nullptr && *named != '\0' ? named : KOVRA_BUILT_STUDY_LIBRARY;
    }());
    return library;
}

// A study library to measure: its name in the benchmarks' names, and the
// instruction set of its window scan as figures are reported.
struct MeasuredLibrary {
    std::string name;
    std::string instructionSet;
    const host::StudyLibrary* library;
    study::WindowScanFunction scan;  // the same scan, called directly
};

// The shipped library (the loader picks its scan, as ScanWindowExtremes
// here), then a build for each version of the scan this processor runs.
inline std::vector<MeasuredLibrary> MeasuredLibraries() {
    static std::map<std::string_view, std::unique_ptr<host::StudyLibrary>> pinned;
    std::vector<MeasuredLibrary> measured;
    for (const study::WindowScanVersion& version : study::kWindowScanVersions) {
        if (!version.runsHere()) continue;
        if (measured.empty())  // the widest the processor runs
            measured.push_back({"loaded", std::string(version.instructionSet), &Library(), &study::ScanWindowExtremes});
        std::unique_ptr<host::StudyLibrary>& library = pinned[version.tag];
        if (!library)
            library = std::make_unique<host::StudyLibrary>(KOVRA_PINNED_STUDY_LIBRARY_PREFIX +
                                                           std::string(version.tag) + ".so");
        measured.push_back(
            {std::string(version.tag), std::string(version.instructionSet), library.get(), version.scan});
    }
    return measured;
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
