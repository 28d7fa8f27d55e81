// ScanWindowExtremes and ScanAdjacentWindows in a bench build of the study
// library: the version of the window scan that KOVRA_PINNED_WINDOW_SCAN
// names, whatever the processor (a benchmark loads such a build only where
// the processor runs it).
#include <iterator>

#include "study/WindowScanVersions.h"

namespace kovra::study {

namespace {

constexpr size_t PinnedVersion() {
    size_t i = 0;
    while (i < std::size(kWindowScanVersions) && kWindowScanVersions[i].tag != KOVRA_PINNED_WINDOW_SCAN) ++i;
    return i;
}
constexpr size_t kPinnedVersion = PinnedVersion();
static_assert(kPinnedVersion < std::size(kWindowScanVersions), "KOVRA_PINNED_WINDOW_SCAN names no version of the scan");

}  // namespace

WindowExtremes ScanWindowExtremes(std::span<const float> uppers, std::span<const float> lowers) {
    return kWindowScanVersions[kPinnedVersion].scan(uppers, lowers);
}

AdjacentWindowExtremes ScanAdjacentWindows(std::span<const float> uppers, std::span<const float> lowers) {
    return kWindowScanVersions[kPinnedVersion].scanAdjacent(uppers, lowers);
}

}  // namespace kovra::study
