// `kovra run` and `kovra buttons` as a user calls them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::Cells;
using kovra::testing::CommandResult;
using kovra::testing::FreshTestFolder;
using kovra::testing::Lines;
using kovra::testing::RunKovra;
using kovra::testing::Slurp;

// The value after "LABEL: " on the summary line starting with it; empty if none.
std::string SummaryValue(const std::string& out, const std::string& label) {
    for (const std::string& line : Lines(out))
        if (line.rfind(label + ": ", 0) == 0) return line.substr(label.size() + 2);
    return {};
}

TEST(RunCommand, SummarisesTheSampleRun) {
    const CommandResult result = RunKovra({"run"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string bars = SummaryValue(result.out, "bars");
    EXPECT_GT(std::stoi(bars), 0) << result.out;
    EXPECT_NE(bars.find(" (embedded sample), "), std::string::npos) << result.out;
    const std::vector<std::string> inputs = {
        "input: Frame Algorithm=Optimized", "input: Frame Size=16", "input: Prior Frame Inclusion=0%",
        "input: Price Extremes=HL",         "input: Show Grid=yes", "input: Show Frame History=yes"};
    for (const std::string& input : inputs) EXPECT_NE(result.out.find(input + "\n"), std::string::npos) << input;
    for (const char* label : {"8/8th", "0/8th", "frame window", "drawings", "recalculation"})
        EXPECT_NE(SummaryValue(result.out, label), "") << label << " missing from:\n" << result.out;
    EXPECT_NE(SummaryValue(result.out, "8/8th"), "no value");
}

TEST(RunCommand, QuietPrintsNothing) {
    const CommandResult result = RunKovra({"run", "--quiet"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST(RunCommand, SettingsAndPushesShowInTheSummary) {
    struct Case {
        std::vector<std::string> arguments;
        std::string expectedLine;
    };
    const Case cases[] = {
        {{"--set", "Frame Size=64"}, "input: Frame Size=64"},
        {{"--set", "Frame Algorithm=Normalized", "--set", "Show Frame History=no"}, "input: Show Frame History=no"},
        {{"--set", "Frame Algorithm=Normalized"}, "input: Frame Algorithm=Normalized"},
        {{"--push", "6"}, "input: Frame Size=128"},
        {{"--push", "6:off"}, "input: Frame Size=16"},
        {{"--push", "17"}, "drawings: 0 in force after 1 pass(es)"},
        {{"--push", "17", "--push", "17"}, "input: Show Grid=yes"},
        {{"--set", "Frame Size=64", "--push", "9"}, "input: Prior Frame Inclusion=50%"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"run"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CommandResult result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, 0) << c.expectedLine << ": " << result.err;
        EXPECT_NE(result.out.find(c.expectedLine + "\n"), std::string::npos)
            << "expected \"" << c.expectedLine << "\" in:\n"
            << result.out;
    }
}

TEST(RunCommand, ValueFormatSetsThePlacesOfPriceTexts) {
    for (const int places : {0, 3, 9}) {
        const CommandResult result = RunKovra({"run", "--value-format", std::to_string(places)});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string top = SummaryValue(result.out, "8/8th");
        const size_t point = top.find('.');
        EXPECT_EQ(point == std::string::npos ? 0 : top.size() - point - 1, static_cast<size_t>(places)) << top;
    }
}

TEST(RunCommand, BadSettingsAreUsageErrorsListingTheValidChoices) {
    struct Case {
        std::vector<std::string> arguments;
        std::string listed;  // part of the message naming the valid choices
    };
    const Case cases[] = {
        {{"--set", "Frame Sise=64"}, "\"Frame Algorithm\", \"Frame Size\", \"Prior Frame Inclusion\""},
        {{"--set", "Frame Size=65"}, "\"4\", \"8\", \"16\", \"32\", \"64\", \"128\", \"256\""},
        {{"--set", "Show Grid=maybe"}, "\"yes\", \"no\""},
        {{"--set", "Frame Size"}, "INPUT NAME=VALUE"},
        {{"--subgraph", "Circles.DrawStyle=4"}, "\"Circles of Conflict Border/Fill\""},
        {{"--subgraph", "#15.Colour=4"}, "\"PrimaryColour\", \"SecondaryColour\", \"DrawStyle\""},
        {{"--subgraph", "#99.DrawStyle=4"}, "#0 to #"},
        {{"--subgraph", "#15.DrawStyle=40000"}, "-32768 to 32767"},
        {{"--subgraph", "#15.AngleMax=wide"}, "finite number"},
        {{"--subgraph", "#15=4"}, "NAME.FIELD=VALUE"},
        {{"--push", "0"}, "N from 1 to 150"},
        {{"--push", "3:sideways"}, "N:on or N:off"},
        {{"--value-format", "10"}, "--value-format: '10' is not a whole number from 0 to 9"},
        // Numbers are read strictly: out of range is refused, never clamped or wrapped.
        {{"--ticks", "1e20"}, "--ticks: '1e20' is not a whole number from 0 to 100000000"},
        {{"--seed", "-1"}, "--seed: '-1' is not a whole number from 0 to 18446744073709551615"},
        {{"--window", "2147483647"}, "--window: '2147483647' is not a whole number from 1 to 1000000"},
        {{"--size", "4294968896x900"}, "--size: 4294968896x900 is out of range: WIDTH from 200 to 16000"},
        {{"--study-id", "0x10"}, "--study-id: '0x10' is not a whole number from 1 to 2147483647"},
        {{"--bars", ""}, "--bars: the file name is empty"},
        {{"--series", ""}, "--series: the file name is empty"},
        {{"--timezone", "Mars/Olympus"}, "--timezone: unknown time zone 'Mars/Olympus'"},
        {{"--date-order", "ymd"}, "--date-order: 'ymd' is neither mdy nor dmy"},
        {{"--no-such-option"}, "kovra: The following argument was not expected: --no-such-option"},
        {{"--study", "libKovraMathRTIntraday.so"}, "cannot load study library libKovraMathRTIntraday.so: no such file"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"run"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CommandResult result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.back();
        EXPECT_NE(result.err.find(c.listed), std::string::npos) << c.arguments.back() << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.arguments.back();
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_EQ(result.err.rfind("kovra: ", 0), 0u) << result.err;
    }
}

// The bar file's own options reach the loader, and the summary says what it did.
TEST(RunCommand, BarFileOptionsAndANewestFirstFileShowInTheSummary) {
    const std::string folder = FreshTestFolder("run-bar-options");
    struct Case {
        std::string text;
        std::vector<std::string> arguments;
        std::string bars;  // expected after "bars: "
    };
    const Case cases[] = {
        {"Date,Open,High,Low,Close\n2024-03-15,1,2,0,1\n2024-03-14,1,2,0,1\n",
         {},
         "2 (FILE, newest first in the file: reversed), 2024-03-14 00:00:00 to 2024-03-15 00:00:00"},
        {"time,open,high,low,close\n1710509400,1,2,0,1\n",
         {"--timezone", "Europe/London"},
         "1 (FILE), 2024-03-15 13:30:00 to 2024-03-15 13:30:00"},
        {"Date,Open,High,Low,Close\n04/03/2024,1,2,0,1\n",
         {"--date-order", "dmy"},
         "1 (FILE), 2024-03-04 00:00:00 to 2024-03-04 00:00:00"},
    };
    for (const Case& c : cases) {
        const std::string bars = folder + "/bars.csv";
        std::ofstream(bars) << c.text;
        std::vector<std::string> arguments{"run", "--bars", bars};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CommandResult result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::string expected = c.bars;
        expected.replace(expected.find("FILE"), 4, bars);
        EXPECT_EQ(SummaryValue(result.out, "bars"), expected);
    }
}

TEST(RunCommand, SubgraphSettingsReachTheDrawings) {
    const std::string folder = FreshTestFolder("run-subgraph");
    const std::string plain = folder + "/plain.json", hidden = folder + "/hidden.json";
    ASSERT_EQ(RunKovra({"run", "--quiet", "--drawings", plain}).exitCode, 0);
    const CommandResult result =
        RunKovra({"run", "--quiet", "--drawings", hidden, "--subgraph", "Circles of Conflict Border/Fill.DrawStyle=4"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto ellipses = [](const std::string& path) {
        const nlohmann::json document = nlohmann::json::parse(Slurp(path));
        int count = 0;
        for (const auto& drawing : document["Drawings"]) count += drawing["DrawingType"] == 13;
        return count;
    };
    if (ellipses(plain) == 0) GTEST_SKIP() << "the circles of conflict are not drawn yet";
    EXPECT_EQ(ellipses(hidden), 0) << "a hidden circles subgraph must hide the circles";
}

TEST(RunCommand, SeriesFileHasAHeaderAndOneRowPerBar) {
    const std::string folder = FreshTestFolder("run-series");
    const std::string path = folder + "/series.csv";
    const CommandResult result = RunKovra({"run", "--series", path, "--ticks", "400", "--seed", "5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const int bars = std::stoi(SummaryValue(result.out, "bars"));

    const std::vector<std::string> rows = Lines(Slurp(path));
    ASSERT_EQ(rows.size(), static_cast<size_t>(bars) + 1);
    const std::vector<std::string> header = Cells(rows[0]);
    const auto top = std::find(header.begin(), header.end(), "8/8th") - header.begin();
    ASSERT_LT(static_cast<size_t>(top), header.size()) << rows[0];
    // Frame size 16: bars 0..15 get no levels, bar 16 is the first with them.
    EXPECT_EQ(Cells(rows[1 + 15])[top], "") << rows[1 + 15];
    EXPECT_NE(Cells(rows[1 + 16])[top], "") << rows[1 + 16];
    EXPECT_EQ(Cells(rows.back())[0], std::to_string(bars - 1));
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "series.csv") << "no temporary file may stay behind";
}

TEST(RunCommand, AMalformedBarFileExitsTwoAndWritesNothing) {
    const std::string folder = FreshTestFolder("run-bad-bars");
    const std::string bars = folder + "/bars.csv";
    std::ofstream(bars) << "datetime,open,high,low,close\n"
                           "2024-01-02 09:30:00,100,101,99,100.5\n"
                           "2024-01-02 09:31:00,100,abc,99,100\n";
    const CommandResult result =
        RunKovra({"run", "--bars", bars, "--series", folder + "/out.csv", "--drawings", folder + "/out.json"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("bars.csv"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find('3'), std::string::npos) << "the line must be named: " << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.csv"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.json"));
}

TEST(RunCommand, AnUnwritableOutputIsARuntimeFailure) {
    const CommandResult result = RunKovra({"run", "--series", "/nonexistent-folder/series.csv"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("/nonexistent-folder/series.csv"), std::string::npos) << result.err;
}

TEST(RunCommand, AStudyThatDoesNotLoadIsAUsageError) {
    const CommandResult result = RunKovra({"run", "--study", "/nonexistent/libStudy.so"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("/nonexistent/libStudy.so"), std::string::npos) << result.err;
}

// A bare name is the file in the current folder, as users expect; dlopen alone
// would look for it on the system's library path instead.
TEST(RunCommand, AStudyNamedWithoutAFolderIsTheFileInTheCurrentFolder) {
    const std::string folder = FreshTestFolder("run-study-here");
    std::filesystem::copy_file(std::getenv("KOVRA_STUDY_LIBRARY"), folder + "/libStudyHere.so");
    const CommandResult here = kovra::testing::FinishKovra(
        kovra::testing::StartKovra({"run", "--quiet", "--study", "libStudyHere.so"}, "", folder));
    EXPECT_EQ(here.exitCode, 0) << here.err;
    const CommandResult system = RunKovra({"run", "--quiet", "--study", "libc.so.6"});
    EXPECT_EQ(system.exitCode, 2);
    EXPECT_EQ(system.err, "kovra: cannot load study library libc.so.6: no such file\n");
}

TEST(RunCommand, DrawingsFileHasTheDocumentedStructure) {
    const std::string folder = FreshTestFolder("run-drawings");
    const std::string path = folder + "/drawings.json";
    const CommandResult result = RunKovra({"run", "--study-id", "3", "--drawings", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json document = nlohmann::json::parse(Slurp(path));
    for (const char* key :
         {"StudyIdentifier", "Passes", "PersistentIntegers", "LastBar", "LastBarTop", "LastBarBottom", "Drawings"})
        EXPECT_TRUE(document.contains(key)) << key;
    EXPECT_EQ(document["StudyIdentifier"], 3);
    EXPECT_EQ(document["LastBar"], std::stoi(SummaryValue(result.out, "bars")) - 1);
    const std::string frame = SummaryValue(result.out, "frame window");
    EXPECT_EQ(frame, "start " + document["PersistentIntegers"]["1"].dump() + ", end " +
                         document["PersistentIntegers"]["2"].dump() + ", last drawn " +
                         document["PersistentIntegers"]["3"].dump());
    for (const auto& drawing : document["Drawings"]) {
        EXPECT_EQ(drawing.size(), 20u) << drawing.dump();
        EXPECT_FALSE(drawing["TargetChart"].is_null());
    }
}

TEST(RunCommand, DrawingsExistWithUniqueIdentifiers) {
    const std::string folder = FreshTestFolder("run-drawing-ids");
    const std::string path = folder + "/drawings.json";
    ASSERT_EQ(RunKovra({"run", "--quiet", "--drawings", path}).exitCode, 0);
    const nlohmann::json drawings = nlohmann::json::parse(Slurp(path))["Drawings"];
    if (drawings.empty()) GTEST_SKIP() << "the drawing pass submits nothing yet";
    std::set<int64_t> ids;
    for (const auto& drawing : drawings) {
        ASSERT_FALSE(drawing["DrawingId"].is_null()) << drawing.dump();
        EXPECT_TRUE(ids.insert(drawing["DrawingId"].get<int64_t>()).second) << "duplicate " << drawing["DrawingId"];
    }
}

TEST(ButtonsCommand, PrintsTheControlBarAfterTheRun) {
    const CommandResult result = RunKovra({"buttons", "--push", "5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 18u) << "a header and buttons 1 to 17:\n" << result.out;
    if (lines[1].find("\"\"") == lines[1].find('"')) GTEST_SKIP() << "the study sets no button texts yet";
    struct Row {
        int line;
        const char* label;
        const char* hover;
        const char* pushed;
    };
    const Row rows[] = {
        {1, "\" 4 \"", "\"Frame 4\"", "no"},
        {3, "\"16\"", "\"\"", "yes"},  // the starting frame size stays marked
        {5, "\"64\"", "\"\"", "yes"},
        {17, "\"Grid On/Off\"", "\"Grid toggle, show/hide\"", "no"},
    };
    for (const Row& row : rows) {
        const std::string& line = lines[static_cast<size_t>(row.line)];
        EXPECT_EQ(line.find(std::to_string(row.line) + "  "), line.find_first_not_of(' ')) << line;
        EXPECT_NE(line.find(row.label), std::string::npos) << line;
        EXPECT_NE(line.find(row.hover), std::string::npos) << line;
        EXPECT_EQ(line.substr(line.size() - std::string(row.pushed).size()), row.pushed) << line;
    }
}

// One-minute bars from 09:30 for five hours, as a file has them.
std::string MinuteBarsCsv() {
    std::string text = "datetime,open,high,low,close,volume\n";
    for (int minute = 0; minute < 300; ++minute) {
        const int clock = 9 * 60 + 30 + minute;
        const double price = 4500 + (minute * 7 % 23) * 0.25;
        text += "2024-03-04 " + std::to_string(clock / 60 + 100).substr(1) + ":" +
                std::to_string(clock % 60 + 100).substr(1) + "," + std::to_string(price) + "," +
                std::to_string(price + 1) + "," + std::to_string(price - 1) + "," + std::to_string(price) + ",10\n";
    }
    return text;
}

TEST(RunCommand, TimeframeShowsTheBarsInItsBucketsAndChangesNothingWithoutIt) {
    const std::string folder = FreshTestFolder("run-timeframe");
    const std::string bars = folder + "/minutes.csv";
    std::ofstream(bars) << MinuteBarsCsv();
    const auto series = [&bars](std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"run", "--bars", bars, "--series", "-"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CommandResult result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    };
    const std::string asInTheFile = series({});
    EXPECT_EQ(Lines(asInTheFile).size(), 301u);
    // The bars' own spacing makes every bucket one bar: the same bytes.
    EXPECT_EQ(series({"--timeframe", "1m"}), asInTheFile);
    const std::vector<std::string> fiveMinutes = Lines(series({"--timeframe", "5m"}));
    ASSERT_EQ(fiveMinutes.size(), 61u);
    EXPECT_EQ(fiveMinutes[0], Lines(asInTheFile)[0]);
    EXPECT_EQ(Cells(fiveMinutes[2])[1], "2024-03-04 09:35:00");
    EXPECT_EQ(Lines(series({"--timeframe", "1h", "--day-start", "09:30"})).size(), 6u);
    EXPECT_EQ(Lines(series({"--timeframe", "1h"})).size(), 7u);  // 09:00 .. 14:00

    const CommandResult summary = RunKovra({"run", "--bars", bars, "--timeframe", "15m"});
    EXPECT_EQ(SummaryValue(summary.out, "timeframe"), "15m, from 300 source bars") << summary.out;
    EXPECT_EQ(SummaryValue(summary.out, "bars").substr(0, 3), "20 ") << summary.out;
}

TEST(RunCommand, RefusesATimeframeTheBarsDoNotFit) {
    const std::string folder = FreshTestFolder("run-timeframe-refused");
    const std::string bars = folder + "/minutes.csv";
    std::ofstream(bars) << MinuteBarsCsv();
    struct Case {
        std::vector<std::string> options;
        std::string error;
    };
    const Case cases[] = {
        {{"--timeframe", "30s"}, "kovra: --timeframe: the bars are 1-minute; 30s is finer\n"},
        {{"--day-start", "09:30"}, "kovra: --day-start needs --timeframe\n"},
        {{"--timeframe", "5x"},
         "kovra: --timeframe: '5x' is not a timeframe: the unit must be s, m, h, d, w, or M (or mo) for calendar "
         "months (see kovra --help)\n"},
        {{"--timeframe", "1h", "--day-start", "9h"},
         "kovra: --day-start: '9h' is not a day start: expected HH:MM from 00:00 to 23:59 (see kovra --help)\n"},
    };
    for (const char* command : {"run", "buttons"})
        for (const Case& c : cases) {
            std::vector<std::string> arguments = {command, "--bars", bars};
            arguments.insert(arguments.end(), c.options.begin(), c.options.end());
            const CommandResult result = RunKovra(arguments);
            EXPECT_EQ(result.exitCode, 2) << command << " " << c.options[0];
            EXPECT_EQ(result.err, c.error) << command;
        }
}

TEST(ButtonsCommand, SharesTheRunOptions) {
    const CommandResult result = RunKovra({"buttons", "--set", "Frame Sise=4"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("\"Frame Size\""), std::string::npos) << result.err;
}

}  // namespace
