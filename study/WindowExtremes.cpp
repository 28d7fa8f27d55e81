#include "study/WindowExtremes.h"

#include "study/WindowScan.h"
#include "study/WindowScanVersions.h"

namespace kovra::study {

namespace {

template <size_t kLaneBytes>
__attribute__((always_inline)) inline WindowExtremes ScanBoth(std::span<const float> uppers,
                                                              std::span<const float> lowers) {
    return {window_scan::Scan<kLaneBytes, true>(uppers, kNoUpperExtreme),
            window_scan::Scan<kLaneBytes, false>(lowers, kNoLowerExtreme)};
}

// A front-to-back scan that starts with the leaving value and then meets the
// shared values ends where the shared values' own scan ends when that result
// beats the leaving value (it is then the first of the shared maxima, which
// the leaving value does not reach), and on the leaving value otherwise.
template <size_t kLaneBytes>
__attribute__((always_inline)) inline AdjacentWindowExtremes ScanAdjacent(std::span<const float> uppers,
                                                                          std::span<const float> lowers) {
    using window_scan::Keep;
    const WindowExtremes shared =
        ScanBoth<kLaneBytes>(uppers.subspan(1, uppers.size() - 2), lowers.subspan(1, lowers.size() - 2));
    const WindowExtremes previous{Keep<true>(Keep<true>(kNoUpperExtreme, uppers.front()), shared.upper),
                                  Keep<false>(Keep<false>(kNoLowerExtreme, lowers.front()), shared.lower)};
    const WindowExtremes current{Keep<true>(shared.upper, uppers.back()), Keep<false>(shared.lower, lowers.back())};
    return {previous, current};
}

}  // namespace

WindowExtremes ScanWindowExtremesBaseline(std::span<const float> uppers, std::span<const float> lowers) {
    return ScanBoth<16>(uppers, lowers);
}
AdjacentWindowExtremes ScanAdjacentWindowsBaseline(std::span<const float> uppers, std::span<const float> lowers) {
    return ScanAdjacent<16>(uppers, lowers);
}

__attribute__((target("avx2"))) WindowExtremes ScanWindowExtremesAvx2(std::span<const float> uppers,
                                                                      std::span<const float> lowers) {
    return ScanBoth<32>(uppers, lowers);
}
__attribute__((target("avx2"))) AdjacentWindowExtremes ScanAdjacentWindowsAvx2(std::span<const float> uppers,
                                                                               std::span<const float> lowers) {
    return ScanAdjacent<32>(uppers, lowers);
}

__attribute__((target("avx512f"))) WindowExtremes ScanWindowExtremesAvx512(std::span<const float> uppers,
                                                                           std::span<const float> lowers) {
    return ScanBoth<64>(uppers, lowers);
}
__attribute__((target("avx512f"))) AdjacentWindowExtremes ScanAdjacentWindowsAvx512(std::span<const float> uppers,
                                                                                    std::span<const float> lowers) {
    return ScanAdjacent<64>(uppers, lowers);
}

}  // namespace kovra::study
