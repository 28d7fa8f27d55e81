// Each instruction set's build of the window scan, callable directly. The
// library calls the one the loader picks for the processor (see
// WindowScanDispatch.cpp); tests and benchmarks call every one the processor runs.
#pragma once

#include <span>
#include <string_view>

#include "study/WindowExtremes.h"

namespace kovra::study {

// Each is ScanWindowExtremes or ScanAdjacentWindows, bit for bit, in
// vectors of one register: 16 bytes on every x86-64 processor (SSE2), 32
// with AVX2, 64 with AVX-512.
WindowExtremes ScanWindowExtremesBaseline(std::span<const float> uppers, std::span<const float> lowers);
AdjacentWindowExtremes ScanAdjacentWindowsBaseline(std::span<const float> uppers, std::span<const float> lowers);
__attribute__((target("avx2"))) WindowExtremes ScanWindowExtremesAvx2(std::span<const float> uppers,
                                                                      std::span<const float> lowers);
__attribute__((target("avx2"))) AdjacentWindowExtremes ScanAdjacentWindowsAvx2(std::span<const float> uppers,
                                                                               std::span<const float> lowers);
__attribute__((target("avx512f"))) WindowExtremes ScanWindowExtremesAvx512(std::span<const float> uppers,
                                                                           std::span<const float> lowers);
__attribute__((target("avx512f"))) AdjacentWindowExtremes ScanAdjacentWindowsAvx512(std::span<const float> uppers,
                                                                                    std::span<const float> lowers);

using WindowScanFunction = WindowExtremes (*)(std::span<const float>, std::span<const float>);
using AdjacentScanFunction = AdjacentWindowExtremes (*)(std::span<const float>, std::span<const float>);

// The loader's resolver asks before the sanitizers of a test build are set
// up, so these checks must not be instrumented. (The processor's features
// are read once into the run-time library's record; asking again reads it.)
#define KOVRA_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined")))
KOVRA_UNINSTRUMENTED inline bool ProcessorHasNothingExtra() { return true; }
KOVRA_UNINSTRUMENTED inline bool ProcessorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}
KOVRA_UNINSTRUMENTED inline bool ProcessorHasAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0;
}

struct WindowScanVersion {
    std::string_view tag;             // names the version in benchmarks and bench builds of the library
    std::string_view instructionSet;  // as figures are reported
    WindowScanFunction scan;
    AdjacentScanFunction scanAdjacent;
    bool (*runsHere)();  // whether this processor has the instructions
};

// Widest first: the first the processor runs is the fastest.
inline constexpr WindowScanVersion kWindowScanVersions[] = {
    {"avx512", "AVX-512", &ScanWindowExtremesAvx512, &ScanAdjacentWindowsAvx512, &ProcessorHasAvx512},
    {"avx2", "AVX2", &ScanWindowExtremesAvx2, &ScanAdjacentWindowsAvx2, &ProcessorHasAvx2},
    {"baseline", "SSE2", &ScanWindowExtremesBaseline, &ScanAdjacentWindowsBaseline, &ProcessorHasNothingExtra},
};

}  // namespace kovra::study
