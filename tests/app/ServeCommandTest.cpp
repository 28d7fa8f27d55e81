// kovra serve refuses what it cannot serve before it starts, with one line
// and exit 2; a workspace's alerts on standard output are the crossings of
// `kovra run --crossings`.
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <fmt/format.h>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::Cells;
using kovra::testing::FinishKovra;
using kovra::testing::FreshTestFolder;
using kovra::testing::Lines;
using kovra::testing::RunKovra;
using kovra::testing::Slurp;
using kovra::testing::StartKovra;

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

// The sample replayed from its first bar as a workspace of one instrument:
// each bar through the real-time path, each crossing one JSON line.
TEST(ServeCommand, AWorkspacesAlertsOnStandardOutputAreTheRunsCrossings) {
    const std::string folder = FreshTestFolder("serve-alerts");
    const std::string sample = std::string(std::getenv("KOVRA_SOURCE_DIR")) + "/data/sample-bars.csv";
    std::filesystem::create_directory(folder + "/bars");
    std::filesystem::copy_file(sample, folder + "/bars/ES.csv");
    ASSERT_EQ(RunKovra({"run", "--quiet", "--bars", sample, "--crossings", folder + "/crossings.csv"}).exitCode, 0);
    std::vector<std::string> expected;
    for (const std::string& row : Lines(Slurp(folder + "/crossings.csv"))) {
        const std::vector<std::string> cells = Cells(row);
        if (cells[0] == "bar") continue;
        expected.push_back(fmt::format(R"("instrument":"ES","datetime":"{}","line":"{}","price":{},"direction":"{}",)"
                                       R"("close_before":{},"close_after":{}}})",
                                       cells[1], cells[2], cells[3], cells[4], cells[5], cells[6]));
    }
    ASSERT_GT(expected.size(), 100u);

    const auto running = StartKovra({"serve", "--quiet", "--replay-from", "1", "--speed", "1000", "--state",
                                     folder + "/state.sqlite3", folder + "/bars"},
                                    folder + "/out");
    std::vector<std::string> out;
    for (int32_t wait = 0; wait < 600 && out.size() < expected.size() + 1; ++wait) {  // at most a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        out = Lines(Slurp(folder + "/out"));
    }
    kill(running.pid, SIGTERM);
    const auto finished = FinishKovra(running);
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    ASSERT_EQ(out.size(), expected.size() + 1) << finished.err;
    EXPECT_EQ(out[0].rfind("http://127.0.0.1:", 0), 0u) << out[0];
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string event = fmt::format(R"({{"event":{},)", i + 1);
        ASSERT_EQ(out[i + 1], event + expected[i]) << "alert " << i + 1;
    }
}

// Killed at once while alerts come fast, the server leaves a state file that
// opens sound and holds every alert it had printed; a new server goes on
// numbering after them.
TEST(ServeCommand, AWorkspaceKilledDuringABurstOfAlertsKeepsEveryAlertItPrinted) {
    const std::string folder = FreshTestFolder("serve-killed");
    std::filesystem::create_directory(folder + "/bars");
    std::filesystem::copy_file(std::string(std::getenv("KOVRA_SOURCE_DIR")) + "/data/sample-bars.csv",
                               folder + "/bars/ES.csv");
    const std::vector<std::string> arguments{"serve",   "--quiet", "--replay-from", "1",
                                             "--speed", "1000",    folder + "/bars"};
    const auto running = StartKovra(arguments, folder + "/out");
    std::vector<std::string> printed;
    for (int32_t wait = 0; wait < 600 && printed.size() < 300; ++wait) {  // at most a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        printed = Lines(Slurp(folder + "/out"));
    }
    kill(running.pid, SIGKILL);
    FinishKovra(running);
    ASSERT_GE(printed.size(), 300u);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((folder + "/bars/.kovra/workspace.sqlite3").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    const auto first = [db](const char* query) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, query, -1, &statement, nullptr);
        std::string value;
        if (sqlite3_step(statement) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return value;
    };
    EXPECT_EQ(first("PRAGMA integrity_check"), "ok");
    const int64_t kept = std::stoll(first("SELECT count(*) FROM alerts"));
    EXPECT_GE(kept, static_cast<int64_t>(printed.size()) - 1);  // the address line is no alert
    EXPECT_EQ(first("SELECT max(event) FROM alerts"), std::to_string(kept));
    sqlite3_close(db);

    const auto again = StartKovra(arguments, folder + "/again");
    std::vector<std::string> more;
    for (int32_t wait = 0; wait < 600 && more.size() < 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        more = Lines(Slurp(folder + "/again"));
    }
    kill(again.pid, SIGTERM);
    EXPECT_EQ(FinishKovra(again).exitCode, 0);
    ASSERT_GE(more.size(), 2u);
    EXPECT_EQ(more[1].rfind(fmt::format(R"({{"event":{},)", kept + 1), 0), 0u) << more[1];
}

}  // namespace
