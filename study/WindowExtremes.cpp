#include "study/WindowExtremes.h"

#include "study/WindowScan.h"

namespace kovra::study {

// GCC builds a copy per instruction set and the loader picks the one the
// processor runs best; clang 14 cannot link such a function, so it builds the
// plain copy only.
#if defined(__clang__)
#define KOVRA_PER_INSTRUCTION_SET
#else
#define KOVRA_PER_INSTRUCTION_SET __attribute__((target_clones("avx512f", "avx2", "default")))
#endif

KOVRA_PER_INSTRUCTION_SET
WindowExtremes ScanWindowExtremes(std::span<const float> uppers, std::span<const float> lowers) {
    return {window_scan::Scan<true>(uppers, kNoUpperExtreme), window_scan::Scan<false>(lowers, kNoLowerExtreme)};
}

}  // namespace kovra::study
