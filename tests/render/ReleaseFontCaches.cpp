// The render tests end by freeing the process-wide font caches, so the
// sanitizer build reports real leaks only.
#include <gtest/gtest.h>

#include "host/render/ChartFont.h"

namespace {

class FontCacheRelease : public ::testing::Environment {
public:
    void TearDown() override { kovra::host::ReleaseFontCaches(); }
};

const auto* const kRelease = ::testing::AddGlobalTestEnvironment(new FontCacheRelease);

}  // namespace
