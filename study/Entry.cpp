// The library's three entry points, the only symbols it exports.
#include "record/HostStudyInterface.h"
#include "study/FrameDriver.h"
#include "study/StudyDefaults.h"
#include "study/StudyEntries.h"

#define KOVRA_EXPORT extern "C" __attribute__((visibility("default")))

KOVRA_EXPORT const char* scdll_DLLName() noexcept { return kovra::study::kStudyName; }

KOVRA_EXPORT int32_t scdll_DLLVersion() noexcept { return kHostInterfaceVersion; }

KOVRA_EXPORT void scsf_KovraMathRTIntraday(HostStudyInterface& host) noexcept {
    using namespace kovra::study;
    const StudyEntries entries = TakeStudyEntries(host);
    if (host.IsDefaultsCall != 0) {
        DeclareStudyDefaults(host, entries);
        return;
    }
    RunFrameDriver(host, entries);
}
