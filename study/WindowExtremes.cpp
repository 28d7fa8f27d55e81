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

// A front-to-back scan that starts with the leaving value and then meets the
// shared values ends where the shared values' own scan ends when that result
// beats the leaving value (it is then the first of the shared maxima, which
// the leaving value does not reach), and on the leaving value otherwise.
AdjacentWindowExtremes ScanAdjacentWindows(std::span<const float> uppers, std::span<const float> lowers) {
    using window_scan::Keep;
    const WindowExtremes shared =
        ScanWindowExtremes(uppers.subspan(1, uppers.size() - 2), lowers.subspan(1, lowers.size() - 2));
    const WindowExtremes previous{Keep<true>(Keep<true>(kNoUpperExtreme, uppers.front()), shared.upper),
                                  Keep<false>(Keep<false>(kNoLowerExtreme, lowers.front()), shared.lower)};
    const WindowExtremes current{Keep<true>(shared.upper, uppers.back()), Keep<false>(shared.lower, lowers.back())};
    return {previous, current};
}

}  // namespace kovra::study
