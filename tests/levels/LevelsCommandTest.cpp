// `kovra levels` run as a program: output layout, bad input lines, exit codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

using RunResult = kovra::testing::CommandResult;

// Runs `kovra levels ARGS` (ARGS split at blanks) with the given standard input.
RunResult RunLevels(const std::string& args, const std::string& input = "") {
    std::vector<std::string> arguments{"levels"};
    std::istringstream words(args);
    for (std::string word; words >> word;) arguments.push_back(word);
    return kovra::testing::RunKovra(arguments, input);
}

TEST(LevelsCommand, SinglePairPrintsTopBottomAndThirteenLines) {
    const RunResult run = RunLevels("--algorithm Accelerated 100 87.5");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "line     Accelerated\n"
              "top      100.00000000000009\n"
              "bottom   87.500000000000071\n"
              "+2/8th   103.125\n"
              "+1/8th   101.5625\n"
              "8/8th    100\n"
              "7/8th    98.4375\n"
              "6/8th    96.875\n"
              "5/8th    95.3125\n"
              "4/8th    93.75\n"
              "3/8th    92.1875\n"
              "2/8th    90.625\n"
              "1/8th    89.0625\n"
              "0/8th    87.5\n"
              "-1/8th   85.9375\n"
              "-2/8th   84.375\n");
}

TEST(LevelsCommand, AllShowsTheFourAlgorithmsSideBySide) {
    const RunResult run = RunLevels("--all 20 10");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string header;
    std::string top;
    std::getline(lines, header);
    std::getline(lines, top);
    EXPECT_EQ(header, "line     Normalized                Optimized                 Accelerated               Legacy");
    std::istringstream fields(top);
    std::string label, normalized, optimized, accelerated, legacy;
    fields >> label >> normalized >> optimized >> accelerated >> legacy;
    EXPECT_EQ(label, "top");
    EXPECT_EQ(normalized, "25");
    EXPECT_EQ(std::stod(optimized), 18.750000000000004);
    EXPECT_EQ(accelerated, legacy);
}

TEST(LevelsCommand, PricesAreNarrowedTo32BitsFirst) {
    // 1.2345 / 1.2 as 32-bit floats: the exact dyadic top and bottom follow.
    const RunResult run = RunLevels("--algorithm Normalized", "1.2345 1.2\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "1.2451171875 1.1962890625\n");
}

TEST(LevelsCommand, StreamSkipsBadLinesReportsThemAndExitsWithOne) {
    const RunResult run = RunLevels("--algorithm Normalized",
                                    "4512.25 4488.5\n"
                                    "abc 1\n"
                                    "1 2\n"
                                    "3\n"
                                    "\n"
                                    "5 4 3\n"
                                    "1e39 1\n"
                                    " +20\t10 \r\n"
                                    "inf 1\n"
                                    "5 5\n" +
                                        std::string(100, 'x') + "\x01 1\n" + std::string((1 << 20) + 1, '1') +
                                        "\n"
                                        "20 10\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "4511.71875 4492.1875\n25 12.5\n25 12.5\n");
    EXPECT_EQ(run.err,
              "kovra: levels: line 2: HIGH \"abc\" is not a number\n"
              "kovra: levels: line 3: HIGH 1 is below LOW 2\n"
              "kovra: levels: line 4: missing LOW\n"
              "kovra: levels: line 5: missing HIGH and LOW\n"
              "kovra: levels: line 6: expected \"HIGH LOW\", found 3 fields\n"
              "kovra: levels: line 7: HIGH \"1e39\" is outside the 32-bit price range\n"
              "kovra: levels: line 9: HIGH \"inf\" is not a finite number\n"
              "kovra: levels: line 10: \"5 5\" gives no finite frame\n"
              "kovra: levels: line 11: HIGH \"" +
                  std::string(80, 'x') +
                  "...\" is not a number\n"
                  "kovra: levels: line 12: longer than 1048576 bytes\n");
}

TEST(LevelsCommand, APairWithoutAFiniteFrameOrWithLinesBeyondTheFloatRangeFailsWithOne) {
    const struct {
        const char* args;
        const char* input;
        const char* error;
    } rows[] = {
        {"--all 5 5", "", "kovra: levels: HIGH 5 and LOW 5 give no finite frame with Normalized\n"},
        {"3.4e38 0", "",
         "kovra: levels: HIGH 3.3999999521443642e+38 and LOW 0 give lines outside the 32-bit float "
         "range with Optimized\n"},
        {"", "3.4e38 0\n", "kovra: levels: line 1: \"3.4e38 0\" gives lines outside the 32-bit float range\n"},
    };
    for (const auto& row : rows) {
        const RunResult run = RunLevels(row.args, row.input);
        EXPECT_EQ(run.exitCode, 1) << row.args;
        EXPECT_EQ(run.out, "") << row.args;
        EXPECT_EQ(run.err, row.error);
    }
}

TEST(LevelsCommand, DefaultAlgorithmIsOptimized) {
    const RunResult run = RunLevels("", "20 18.84\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "20.312500000000007 18.750000000000007\n");
}

TEST(LevelsCommand, UsageErrorsExitWithTwo) {
    const struct {
        const char* args;
        const char* message;
    } rows[] = {
        {"1 2", "HIGH 1 is below LOW 2"},
        {"5", "LOW is missing"},
        {"x 1", "HIGH \"x\" is not a number"},
        {"--all", "--all needs HIGH LOW"},
        {"--algorithm Fast 2 1", "Fast not in"},
        {"--all --algorithm Normalized 2 1", "excludes"},
        {"inf 1", "HIGH \"inf\" is not a finite number"},
    };
    for (const auto& row : rows) {
        const RunResult run = RunLevels(row.args);
        EXPECT_EQ(run.exitCode, 2) << row.args;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << row.args << ": " << run.err;
        EXPECT_EQ(run.out, "") << row.args;
    }
}

}  // namespace
