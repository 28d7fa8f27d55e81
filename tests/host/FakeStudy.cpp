// A study library that is wrong in one way, chosen at build time, for the
// loader's checks.
#include <cstdlib>

#include "record/HostStudyInterface.h"

#ifndef KOVRA_FAKE_VERSION
#define KOVRA_FAKE_VERSION 2188
#endif

#ifndef KOVRA_FAKE_OMIT_NAME
extern "C" const char* scdll_DLLName() noexcept { return "Fake Study"; }
#endif

#ifdef KOVRA_FAKE_VERSION_AS_DATA
extern "C" {
int32_t scdll_DLLVersion = KOVRA_FAKE_VERSION;
}
#else
extern "C" int32_t scdll_DLLVersion() noexcept { return KOVRA_FAKE_VERSION; }
#endif

#ifndef KOVRA_FAKE_OMIT_STUDY_FUNCTION
extern "C" void scsf_KovraMathRTIntraday(HostStudyInterface& host) noexcept {
#ifdef KOVRA_FAKE_ABORT
    if (host.IsDefaultsCall == 0) std::abort();
#endif
    (void)host;
}
#endif
