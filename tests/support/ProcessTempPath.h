// Scratch files of tests. ctest runs each test in its own process, several at
// once, so a file two tests share by name can be truncated under the other's
// feet; a name carrying the process id is this process's alone.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace kovra::testing {

inline std::string ProcessTempPath(const std::string& name) {
    return ::testing::TempDir() + "/kovra-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace kovra::testing
