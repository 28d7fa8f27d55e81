// kovra serve refuses what it cannot serve before it starts, with one line and exit 2.
#include <gtest/gtest.h>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::RunKovra;

TEST(ServeCommand, BadOptionsAreUsageErrorsBeforeAnythingIsServed) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"serve", "--follow"}, "kovra: --follow needs a bar file (--bars FILE) or bar files and folders to follow\n"},
        {{"serve", "--state", "s.sqlite3"}, "kovra: --state keeps a workspace's state: give bar files or folders\n"},
        {{"serve", "--bars", "a.csv", "b.csv"}, "kovra: give bar files and folders, or --bars FILE, not both\n"},
        {{"serve", "--push", "5", "b.csv"},
         "kovra: --ticks and --push play on one chart (--bars FILE), not on a workspace\n"},
        {{"serve", "--replay-from", "0"}, "kovra: --replay-from 0: the chart has 1950 bars; choose 1 to 1950\n"},
        {{"serve", "--replay-from", "1951"}, "kovra: --replay-from 1951: the chart has 1950 bars; choose 1 to 1950\n"},
        {{"serve", "--max-bars", "100", "--replay-from", "101"},
         "kovra: --replay-from 101: the chart has 100 bars; choose 1 to 100\n"},
        {{"serve", "--speed", "0"}, nullptr},
        {{"serve", "--speed", "nan"}, "kovra: --speed: 'nan' is not a number from 0.1 to 1000 (see kovra --help)\n"},
        {{"serve", "--speed", "inf"}, nullptr},
        {{"serve", "--timezone", ""},
         "kovra: --timezone: an empty name is no time zone (leave the option out for UTC) (see kovra --help)\n"},
        {{"serve", "--port", "70000"}, nullptr},
        {{"serve", "--max-bars", "0"}, nullptr},
    };
    for (const Case& c : cases) {
        const auto result = RunKovra(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.back() << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << "no address printed: " << result.out;
        if (c.message != nullptr) {
            EXPECT_EQ(result.err, c.message);
        }
    }
}

}  // namespace
