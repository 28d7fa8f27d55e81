// libFuzzer entry point: the level routines on arbitrary price pairs.
#include "fuzz/AbortOnViolation.h"
#include "fuzz/FuzzLevels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kovra::fuzz::AbortOnViolation(kovra::fuzz::CheckLevelsInput(data, size));
    return 0;
}
