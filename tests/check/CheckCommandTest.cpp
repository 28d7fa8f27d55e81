// kovra check end to end: our own study passes every check at the highest
// strictness; each broken library fails exactly the check made for its
// fault, with the reason named; usage errors are exit 2.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/bars/SampleBars.h"
#include "tests/support/ProcessTempPath.h"
#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::CommandResult;
using kovra::testing::RunKovra;
using json = nlohmann::json;

struct LibraryCase {
    const char* name;
    std::string library;
    std::string failingCheck;  // empty: every check passes
    std::string reason;        // in the failing check's reason
    std::vector<std::string> options = {};
};

// The first 100 bars of the embedded sample as a bar file: a short speed
// check for a library that is slow on purpose.
const std::string& ShortBarFile() {
    static const std::string path = [] {
        const std::string file = kovra::testing::ProcessTempPath("check-short-bars.csv");
        kovra::host::LoadedBars bars = kovra::host::SampleBars();
        bars.bars = kovra::host::BarColumns{};
        for (int32_t bar = 0; bar < 100; ++bar) bars.bars.Append(kovra::host::SampleBars().bars.At(bar));
        std::ofstream(file) << kovra::host::FormatBarsCsv(bars);
        return file;
    }();
    return path;
}

const LibraryCase kCases[] = {
    {"OurStudy", KOVRA_TEST_STUDY_LIBRARY, "", ""},
    {"OurStudyOnDailyBars", KOVRA_TEST_STUDY_LIBRARY, "", "", {"--bars", KOVRA_TEST_SOURCE_DIR "/data/daily-bars.csv"}},
    {"PlainStudy", FIXTURE_plain, "", ""},
    {"WrongVersion", FIXTURE_wrong_version, "exports", "it reports interface version 2187, this host speaks 2188"},
    {"NeedsHostSymbol", FIXTURE_needs_host_symbol, "exports", "it does not load ("},
    {"CrashInDefaults", FIXTURE_crash_in_defaults, "defaults", "the defaults call: crashed with SIGABRT"},
    {"SubgraphByPosition", FIXTURE_subgraph_by_position, "array-access",
     "only subgraph 0 offered of the 2 declared, a guard page after every array, bar 0: an access 48 bytes past the "
     "end of the subgraphs (SIGSEGV"},
    {"RandomPerProcess", FIXTURE_random_per_process, "determinism",
     "the same bars in two processes: persistent integer 1 is"},
    {"StaticPreviousClose", FIXTURE_static_previous_close, "hidden-state",
     "two charts called bar by bar in turn, the first: subgraph 0 at bar 1 is"},
    {"CountsRecalculations", FIXTURE_counts_recalculations, "recalculation",
     "a second full recalculation: subgraph 0 at bar 0 is 2 (1 after the first)"},
    {"NeverRedraws", FIXTURE_never_redraws, "live", "drawing 1 (id 1) has first price"},
    {"InfinitePrice", FIXTURE_infinite_price, "drawings", "on bar 239: drawing 1 (type 1, text \"\") has price"},
    {"LeaksText", FIXTURE_leaks_text, "drawings", "a text the study obtained on bar 0 was never released: \"bar 0\""},
    {"AsksWhilePushed", FIXTURE_asks_while_pushed, "buttons",
     "a push of button 1: the study kept asking for a recalculation; stopped after 8 in a row"},
    {"InvertsTheRange", FIXTURE_inverts_the_range, "hostile-bars",
     "signed zeros: subgraph 0 at bar 0 is -inf where the prices are finite"},
    {"WaitsOutNaN",
     FIXTURE_waits_out_nan,
     "hostile-bars",
     "no verdict within 1 s",
     {"--only", "hostile-bars", "--time-limit", "1"}},
    {"SpinsOnEveryCall",
     FIXTURE_spins_on_every_call,
     "speed",
     "over the budget of 100.0 µs per bar at strictness 10",
     {"--only", "speed", "--bars", ShortBarFile()}},
};

void PrintTo(const LibraryCase& library, std::ostream* out) { *out << library.name; }

class CheckCatalogueTest : public ::testing::TestWithParam<LibraryCase> {};

TEST_P(CheckCatalogueTest, FailsExactlyTheCheckMadeForTheFault) {
    const LibraryCase& library = GetParam();
    std::vector<std::string> arguments{"check", library.library, "--format", "json"};
    arguments.insert(arguments.end(), library.options.begin(), library.options.end());
    const CommandResult run = RunKovra(arguments);
    ASSERT_EQ(run.exitCode, library.failingCheck.empty() ? 0 : 1) << run.out << run.err;
    const json report = json::parse(run.out);
    EXPECT_EQ(report["strictness"], 10);
    // A library that does not load, or crashes in its defaults call, cannot be checked further.
    const bool stopsTheRest = library.failingCheck == "exports" || library.failingCheck == "defaults";
    bool pastTheFailure = false;
    for (const json& check : report["checks"]) {
        if (check["name"] == library.failingCheck) {
            EXPECT_EQ(check["result"], "fail") << check.dump();
            EXPECT_NE(check["reason"].get<std::string>().find(library.reason), std::string::npos) << check.dump();
            pastTheFailure = true;
        } else {
            EXPECT_EQ(check["result"], pastTheFailure && stopsTheRest ? "skip" : "pass") << check.dump();
        }
    }
    if (std::find(library.options.begin(), library.options.end(), "--only") == library.options.end()) {
        EXPECT_EQ(report["checks"].size(), 11u);
    }
}

INSTANTIATE_TEST_SUITE_P(Libraries, CheckCatalogueTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LibraryCase>& info) { return info.param.name; });

TEST(CheckCommand, AFailureTellsItsFirstBarAndValue) {
    const CommandResult run = RunKovra({"check", FIXTURE_static_previous_close, "--only", "hidden-state"});
    ASSERT_EQ(run.exitCode, 1) << run.err;
    const std::vector<std::string> lines = kovra::testing::Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0].substr(0, 6), "result");
    std::istringstream row(lines[1]);
    std::string result, check, bar, value;
    row >> result >> check >> bar >> value;
    EXPECT_EQ(result + " " + check + " " + bar + " " + value, "fail hidden-state 1 4776.75") << lines[1];
    EXPECT_NE(lines[1].find("subgraph 0 at bar 1 is 4776.75 (4805.25 alone)"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "0 passed, 1 failed, 0 skipped at strictness 10");
}

TEST(CheckCommand, ChecksAboveTheStrictnessAreSkippedAndSpeedOnlyTold) {
    const CommandResult run = RunKovra(
        {"check", FIXTURE_spins_on_every_call, "--strictness", "1", "--format", "json", "--bars", ShortBarFile()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json report = json::parse(run.out);
    for (const json& check : report["checks"]) {
        const bool runs = check["strictness"].get<int>() <= 1;
        EXPECT_EQ(check["result"], runs ? "pass" : "skip") << check.dump();
        if (check["name"] == "speed") {
            EXPECT_NE(check["reason"].get<std::string>().find("for information below strictness 5"), std::string::npos);
        }
    }
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string message;
};

TEST(CheckCommand, UsageErrorsAreExitTwoWithOneLine) {
    const std::string text = kovra::testing::ProcessTempPath("not-a-library.so");
    std::ofstream(text) << "just text\n";
    const UsageCase cases[] = {
        {"a text file", {"check", text}, "not a loadable library"},
        {"a library with no entry point", {"check", FIXTURE_no_entry_points}, "it exports none of the entry points"},
        {"an unknown check",
         {"check", FIXTURE_plain, "--only", "exports,colours"},
         "--only \"colours\": no such check"},
        {"a strictness out of range", {"check", FIXTURE_plain, "--strictness", "11"}, "--strictness"},
        {"a missing library", {"check"}, "library is required"},
    };
    for (const UsageCase& usage : cases) {
        const CommandResult run = RunKovra(usage.arguments);
        EXPECT_EQ(run.exitCode, 2) << usage.name << ": " << run.err;
        EXPECT_EQ(run.err.rfind("kovra: ", 0), 0u) << usage.name << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << usage.name << ": " << run.err;
        EXPECT_NE(run.err.find(usage.message), std::string::npos) << usage.name << ": " << run.err;
        EXPECT_EQ(run.out, "") << usage.name;
    }
}

}  // namespace
