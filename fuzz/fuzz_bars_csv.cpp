// libFuzzer entry point: the CSV bar loader on arbitrary bytes.
#include "fuzz/AbortOnViolation.h"
#include "fuzz/FuzzBarsCsv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kovra::fuzz::AbortOnViolation(kovra::fuzz::CheckBarsCsvInput(data, size));
    return 0;
}
