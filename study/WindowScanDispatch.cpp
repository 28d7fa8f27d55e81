// ScanWindowExtremes is the widest build of the scan the processor runs,
// chosen once, by the loader, when the library is loaded.
#include "study/WindowExtremes.h"
#include "study/WindowScanVersions.h"

extern "C" KOVRA_UNINSTRUMENTED kovra::study::WindowScanFunction kovra_ResolveWindowScan() {
    for (const kovra::study::WindowScanVersion& version : kovra::study::kWindowScanVersions)
        if (version.runsHere()) return version.scan;
    return &kovra::study::ScanWindowExtremesBaseline;
}

namespace kovra::study {

WindowExtremes ScanWindowExtremes(std::span<const float> uppers, std::span<const float> lowers)
    __attribute__((ifunc("kovra_ResolveWindowScan")));

}  // namespace kovra::study
