// libFuzzer entry point: the study, linked in, driven through a shaped record.
#include "fuzz/AbortOnViolation.h"
#include "fuzz/FuzzStudyRecord.h"

extern "C" void scsf_KovraMathRTIntraday(HostStudyInterface& host) noexcept;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kovra::fuzz::AbortOnViolation(kovra::fuzz::CheckStudyRecordInput(&scsf_KovraMathRTIntraday, data, size));
    return 0;
}
