// ScanWindowExtremes and ScanAdjacentWindows are the widest build of the
// window scan the processor runs, chosen once, by the loader, when the
// library is loaded.
#include <iterator>

#include "study/WindowExtremes.h"
#include "study/WindowScanVersions.h"

namespace {

using kovra::study::kWindowScanVersions;
using kovra::study::WindowScanVersion;

KOVRA_UNINSTRUMENTED const WindowScanVersion& VersionForThisProcessor() {
    for (const WindowScanVersion& version : kWindowScanVersions)
        if (version.runsHere()) return version;
    return kWindowScanVersions[std::size(kWindowScanVersions) - 1];
}

}  // namespace

extern "C" KOVRA_UNINSTRUMENTED kovra::study::WindowScanFunction kovra_ResolveWindowScan() {
    return VersionForThisProcessor().scan;
}

extern "C" KOVRA_UNINSTRUMENTED kovra::study::AdjacentScanFunction kovra_ResolveAdjacentScan() {
    return VersionForThisProcessor().scanAdjacent;
}

namespace kovra::study {

WindowExtremes ScanWindowExtremes(std::span<const float> uppers, std::span<const float> lowers)
    __attribute__((ifunc("kovra_ResolveWindowScan")));

AdjacentWindowExtremes ScanAdjacentWindows(std::span<const float> uppers, std::span<const float> lowers)
    __attribute__((ifunc("kovra_ResolveAdjacentScan")));

}  // namespace kovra::study
