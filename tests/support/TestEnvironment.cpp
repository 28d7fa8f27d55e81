// Every test executable knows where the build put the study library, the
// kovra program and the sources, whether it runs under ctest or by hand.
#include <cstdlib>

namespace {

const bool kEnvironmentSet = [] {
    ::setenv("KOVRA_STUDY_LIBRARY", KOVRA_TEST_STUDY_LIBRARY, 0);
    ::setenv("KOVRA_EXE", KOVRA_TEST_EXE, 0);
    ::setenv("KOVRA_SOURCE_DIR", KOVRA_TEST_SOURCE_DIR, 0);
    return true;
}();

}  // namespace
