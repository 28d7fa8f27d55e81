// What the built study declares and labels, as `kovra describe` and `kovra
// buttons` show it, byte for byte against the files in tests/golden/. A
// deliberate change of the study's defaults or button texts updates the file:
//   build/dev/app/kovra describe | grep -v '^library: ' > tests/golden/describe.txt
//   build/dev/app/kovra buttons > tests/golden/buttons.txt
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::FreshTestFolder;
using kovra::testing::Lines;
using kovra::testing::RunKovra;
using kovra::testing::Slurp;

struct GoldenRun {
    std::vector<std::string> arguments;
    const char* golden;  // under tests/golden/
};

const GoldenRun kRuns[] = {
    {{"describe"}, "describe.txt"},
    {{"buttons"}, "buttons.txt"},
};

// The line naming the loaded file depends on where the build is.
std::string WithoutLibraryLine(const std::string& text) {
    std::string kept;
    for (const std::string& line : Lines(text))
        if (line.rfind("library: ", 0) != 0) kept += line + "\n";
    return kept;
}

TEST(GoldenOutputs, DescribeAndButtonsShowExactlyWhatTheGoldenFilesHold) {
    const std::string actualFolder = FreshTestFolder("golden-actual");
    for (const GoldenRun& run : kRuns) {
        SCOPED_TRACE(run.golden);
        const auto result = RunKovra(run.arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string expectedPath = std::string(KOVRA_TEST_SOURCE_DIR) + "/tests/golden/" + run.golden;
        const std::string expected = Slurp(expectedPath);
        ASSERT_FALSE(expected.empty()) << "cannot read " << expectedPath;
        const std::string actual = WithoutLibraryLine(result.out);
        if (actual != expected) {
            const std::string actualPath = actualFolder + "/" + run.golden;
            std::ofstream(actualPath) << actual;
            ADD_FAILURE() << "the output differs from the golden file; compare with:\n  diff " << expectedPath << " "
                          << actualPath;
        }
    }
}

}  // namespace
