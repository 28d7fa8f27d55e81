#include "study/WindowExtremes.h"

#include "study/WindowScan.h"

__attribute__((target_clones("avx512f", "avx2", "default")))
WindowExtremes ScanWindowExtremes(std::span<const float> uppers, std::span<const float> lowers) {
    return {window_scan::Scan<true>(uppers, kNoUpperExtreme), window_scan::Scan<false>(lowers, kNoLowerExtreme)};
}
