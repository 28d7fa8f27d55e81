// `kovra scan` as a user calls it, against `kovra run` on the same files, and
// `kovra run --crossings` against the series it writes.
#include <gtest/gtest.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::Cells;
using kovra::testing::CommandResult;
using kovra::testing::FreshTestFolder;
using kovra::testing::Lines;
using kovra::testing::RunKovra;
using kovra::testing::Slurp;

// A seeded walk of minute bars on a quarter-point grid from 2024-03-11 09:30
// (at most 800 bars, so all on one day), as a bar file.
std::string WalkBars(uint64_t seed, int32_t count, double start = 4500) {
    uint64_t state = seed * 0x9E3779B97F4A7C15ULL + 1;
    const auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>(state >> 33);
    };
    std::string text = "datetime,open,high,low,close\n";
    double close = start;
    for (int32_t i = 0; i < count; ++i) {
        const double open = close;
        close = open + 0.25 * (next() % 9 - 4);
        const double high = std::max(open, close) + 0.25 * (next() % 3);
        const double low = std::min(open, close) - 0.25 * (next() % 3);
        text += fmt::format("2024-03-11 {:02}:{:02}:00,{:.2f},{:.2f},{:.2f},{:.2f}\n", 9 + (30 + i) / 60, (30 + i) % 60,
                            open, high, low, close);
    }
    return text;
}

std::string Write(const std::string& folder, const std::string& name, const std::string& contents) {
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

// CSV text as rows of cells keyed by the header's names.
std::vector<std::map<std::string, std::string>> Records(const std::string& csv) {
    const std::vector<std::string> lines = Lines(csv);
    std::vector<std::map<std::string, std::string>> records;
    if (lines.empty()) return records;
    const std::vector<std::string> header = Cells(lines[0]);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Cells(lines[i]);
        std::map<std::string, std::string> record;
        for (size_t c = 0; c < header.size() && c < cells.size(); ++c) record[header[c]] = cells[c];
        records.push_back(record);
    }
    return records;
}

// What `kovra run` reports for one bar file.
struct RunReport {
    std::string topText, bottomText;  // the summary's, with the value format's decimals
    int32_t frameStart = -1, frameEnd = -1;
    std::vector<std::map<std::string, std::string>> series;  // the series CSV
    std::vector<std::map<std::string, std::string>> crossings;
};

RunReport RunFile(const std::string& path, const std::vector<std::string>& settings) {
    const std::string folder = FreshTestFolder("scan-run");
    std::vector<std::string> arguments = {
        "run", "--bars", path, "--series", folder + "/series.csv", "--crossings", folder + "/crossings.csv"};
    arguments.insert(arguments.end(), settings.begin(), settings.end());
    const CommandResult result = RunKovra(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    RunReport report;
    for (const std::string& line : Lines(result.out)) {
        if (line.rfind("8/8th: ", 0) == 0) report.topText = line.substr(7);
        if (line.rfind("0/8th: ", 0) == 0) report.bottomText = line.substr(7);
        std::sscanf(line.c_str(), "frame window: start %d, end %d", &report.frameStart, &report.frameEnd);
    }
    report.series = Records(Slurp(folder + "/series.csv"));
    report.crossings = Records(Slurp(folder + "/crossings.csv"));
    return report;
}

// The instruments the tests scan: different lengths and starting prices.
std::vector<std::string> WriteWalks(const std::string& folder, int32_t count) {
    std::vector<std::string> paths;
    for (int32_t i = 0; i < count; ++i)
        paths.push_back(Write(folder, fmt::format("walk{:02}.csv", i), WalkBars(i, 150 + 37 * i, 4000 + 125 * i)));
    return paths;
}

const std::vector<std::string> kSettings = {"--set", "Frame Size=32"};

std::vector<std::string> ScanArguments(std::vector<std::string> extra, const std::vector<std::string>& paths) {
    std::vector<std::string> arguments = {"scan", "--quiet"};
    arguments.insert(arguments.end(), kSettings.begin(), kSettings.end());
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.insert(arguments.end(), paths.begin(), paths.end());
    return arguments;
}

TEST(ScanCommand, RowsMatchWhatRunReportsForEachFile) {
    const std::string folder = FreshTestFolder("scan-match");
    const std::vector<std::string> paths = WriteWalks(folder, 3);
    const CommandResult csv = RunKovra(ScanArguments({"--format", "csv"}, {folder}));
    const CommandResult json = RunKovra(ScanArguments({"--format", "json"}, {folder}));
    const CommandResult table = RunKovra(ScanArguments({}, {folder}));
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    ASSERT_EQ(json.exitCode, 0) << json.err;
    ASSERT_EQ(table.exitCode, 0) << table.err;
    const auto rows = Records(csv.out);
    const nlohmann::json objects = nlohmann::json::parse(json.out);
    const std::vector<std::string> tableLines = Lines(table.out);
    ASSERT_EQ(rows.size(), paths.size());
    ASSERT_EQ(objects.size(), paths.size());
    ASSERT_EQ(tableLines.size(), paths.size() + 1);

    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        const RunReport run = RunFile(paths[i], kSettings);
        ASSERT_GT(run.frameStart, 0);
        const auto& last = run.series.back();
        const int32_t lastBar = std::stoi(last.at("bar"));
        const auto& row = rows[i];
        EXPECT_EQ(row.at("instrument"), fmt::format("walk{:02}", i));
        EXPECT_EQ(row.at("bars"), std::to_string(lastBar + 1));
        EXPECT_EQ(row.at("datetime"), last.at("datetime"));
        EXPECT_EQ(row.at("close"), last.at("close"));
        EXPECT_EQ(row.at("top"), last.at("8/8th"));
        EXPECT_EQ(row.at("bottom"), last.at("0/8th"));
        EXPECT_EQ(row.at("frame_start"), run.series.at(static_cast<size_t>(run.frameStart)).at("datetime"));
        EXPECT_EQ(row.at("bars_to_frame_end"), std::to_string(run.frameEnd - lastBar));
        EXPECT_EQ(row.at("frame_end"),
                  run.frameEnd <= lastBar ? run.series.at(static_cast<size_t>(run.frameEnd)).at("datetime") : "");
        EXPECT_EQ(row.at("bars_since_change"), std::to_string(lastBar - run.frameStart));
        EXPECT_EQ(row.at("error"), "");

        const nlohmann::json& object = objects[i];
        EXPECT_EQ(object.at("instrument"), row.at("instrument"));
        EXPECT_EQ(static_cast<float>(object.at("top").get<double>()), std::stof(last.at("8/8th")));
        EXPECT_EQ(static_cast<float>(object.at("bottom").get<double>()), std::stof(last.at("0/8th")));
        EXPECT_EQ(static_cast<float>(object.at("close").get<double>()), std::stof(last.at("close")));
        EXPECT_EQ(object.at("frame_start"), row.at("frame_start"));
        EXPECT_EQ(object.at("bars_since_change"), lastBar - run.frameStart);

        // Table: instrument, last bar (date and time), close, 8/8th, 0/8th, ...
        std::vector<std::string> words;
        char word[64];
        for (const char* at = tableLines[i + 1].c_str(); std::sscanf(at, "%63s", word) == 1;) {
            words.emplace_back(word);
            at = std::strstr(at, word) + words.back().size();
        }
        ASSERT_GE(words.size(), 6u);
        EXPECT_EQ(words[0], row.at("instrument"));
        EXPECT_EQ(words[4], run.topText);
        EXPECT_EQ(words[5], run.bottomText);
    }
}

TEST(ScanCommand, AFileThatFailsGivesItsErrorRowAndTheOthersAreScanned) {
    const std::string folder = FreshTestFolder("scan-errors");
    Write(folder, "a.csv", WalkBars(1, 200));
    Write(folder, "b.csv", "datetime,open,high,low,close\n2024-03-11 09:30:00,1,2,0.5,x\n");
    Write(folder, "C.CSV", WalkBars(2, 200));
    Write(folder, "notes.txt", "not bars");
    // Links that lead nowhere get their rows as when named; a link to a folder is no bar file.
    std::filesystem::create_symlink("nowhere.csv", folder + "/dangling.csv");
    std::filesystem::create_symlink("loop.csv", folder + "/loop.csv");
    std::filesystem::create_directory(folder + "/sub");
    std::filesystem::create_directory_symlink("sub", folder + "/sub.csv");
    const CommandResult result = RunKovra(ScanArguments({"--format", "csv"}, {folder, folder + "/missing.csv"}));
    EXPECT_EQ(result.exitCode, 1);
    const auto rows = Records(result.out);
    ASSERT_EQ(rows.size(), 6u) << result.out;
    const std::vector<std::string> instruments = {"C",        "a",    "b",
                                                  "dangling", "loop", "missing"};  // folder files by name
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].at("instrument"), instruments[i]);
    for (const size_t good : {0, 1}) {
        EXPECT_EQ(rows[good].at("error"), "");
        EXPECT_NE(rows[good].at("top"), "");
    }
    for (const size_t bad : {2, 3, 4, 5}) {
        EXPECT_NE(rows[bad].at("error"), "");
        EXPECT_EQ(rows[bad].at("close"), "");
        EXPECT_NE(result.err.find("kovra: " + rows[bad].at("file")), std::string::npos) << result.err;
    }
    EXPECT_NE(rows[2].at("error").find("b.csv:2:5: 'x' is not a number"), std::string::npos) << rows[2].at("error");
    EXPECT_NE(rows[3].at("error").find("dangling.csv: cannot read the bar file: No such file"), std::string::npos);
    EXPECT_NE(rows[4].at("error").find("loop.csv: cannot read the bar file: Too many levels of symbolic links"),
              std::string::npos);
    EXPECT_EQ(Lines(result.err).size(), 4u) << result.err;
}

// A bar file cut short while the scan reads it (as soon as it is mapped) gets
// its error row, and the scan goes on. The cut may come after a quick load
// has finished; a longer file is then tried, a few times at most.
TEST(ScanCommand, AFileShortenedWhileItIsReadGetsItsErrorRow) {
    const std::string folder = FreshTestFolder("scan-shortened");
    const std::string good = Write(folder, "good.csv", WalkBars(3, 200));
    const std::string cut = folder + "/cut.csv";
    bool caught = false;
    for (int64_t bars = 1'000'000; bars <= 4'000'000 && !caught; bars *= 2) {
        {
            std::ofstream file(cut, std::ios::binary);
            file << "time,open,high,low,close\n";
            for (int64_t bar = 0; bar < bars; ++bar) file << 1710509400 + bar * 60 << ",2,3,1,2\n";
        }
        const auto running = kovra::testing::StartKovra(ScanArguments({"--format", "csv", "--jobs", "1"}, {cut, good}));
        const std::string maps = "/proc/" + std::to_string(running.pid) + "/maps";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const auto ended = [&running] {
            siginfo_t info{};
            return waitid(P_PID, static_cast<id_t>(running.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid != 0;
        };
        while (Slurp(maps).find(cut) == std::string::npos && std::chrono::steady_clock::now() < deadline && !ended())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_EQ(truncate(cut.c_str(), 100), 0);
        const CommandResult result = kovra::testing::FinishKovra(running);
        const auto rows = Records(result.out);
        ASSERT_EQ(rows.size(), 2u) << result.err;
        EXPECT_EQ(rows[1].at("error"), "") << "the scan goes on";
        caught = rows[0].at("error") == cut +
                                            ": the bar file got shorter while it was read; replace a bar file by "
                                            "writing a new one and renaming it over the old";
        EXPECT_EQ(result.exitCode, caught ? 1 : 0) << result.err;
    }
    EXPECT_TRUE(caught) << "the file was never cut while it was read";
}

TEST(ScanCommand, OneJobAndEightJobsGiveTheSameOutput) {
    const std::string folder = FreshTestFolder("scan-jobs");
    std::vector<std::string> paths = WriteWalks(folder, 12);
    paths.push_back(Write(folder, "short.csv", WalkBars(99, 5)));  // too few bars for levels
    for (const char* format : {"table", "csv", "json"}) {
        SCOPED_TRACE(format);
        const CommandResult one = RunKovra(ScanArguments({"--format", format, "--jobs", "1"}, paths));
        const CommandResult eight = RunKovra(ScanArguments({"--format", format, "--jobs", "8"}, paths));
        ASSERT_EQ(one.exitCode, 0) << one.err;
        ASSERT_EQ(eight.exitCode, 0) << eight.err;
        EXPECT_EQ(one.out, eight.out);
        EXPECT_EQ(Lines(one.out).size(), format == std::string("json") ? paths.size() + 2 : paths.size() + 1);
    }
}

TEST(ScanCommand, SortsByAFieldWithRowsLackingItLast) {
    const std::string folder = FreshTestFolder("scan-sort");
    std::vector<std::string> paths = WriteWalks(folder, 5);
    paths.insert(paths.begin() + 2, Write(folder, "short.csv", WalkBars(99, 5)));
    for (const bool descending : {false, true}) {
        const CommandResult result =
            RunKovra(ScanArguments({"--format", "csv", "--sort", descending ? "eighths:desc" : "eighths"}, paths));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto rows = Records(result.out);
        ASSERT_EQ(rows.size(), paths.size());
        EXPECT_EQ(rows.back().at("instrument"), "short");
        for (size_t i = 1; i + 1 < rows.size(); ++i) {
            const double before = std::stod(rows[i - 1].at("eighths")), after = std::stod(rows[i].at("eighths"));
            EXPECT_TRUE(descending ? before >= after : before <= after) << before << " then " << after;
        }
    }
    const CommandResult bad = RunKovra(ScanArguments({"--sort", "colour"}, paths));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("kovra: --sort \"colour\": expected FIELD"), std::string::npos) << bad.err;
}

TEST(ScanCommand, WritesTheOutputFileOnlyAfterGoodOptions) {
    const std::string folder = FreshTestFolder("scan-output");
    const std::vector<std::string> paths = WriteWalks(folder, 2);
    const std::string output = folder + "/rows.json";
    const CommandResult written = RunKovra(ScanArguments({"--format", "json", "--output", output}, paths));
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(Slurp(output), RunKovra(ScanArguments({"--format", "json"}, paths)).out);

    const std::string refused = folder + "/refused.csv";
    const std::string firstBars = Slurp(paths[0]);
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } usageErrors[] = {
        {{"--set", "Frame Size=7", "--output", refused}, "kovra: --set \"Frame Size=7\""},
        {{"--timezone", "Mars/Olympus", "--output", refused}, "kovra: --timezone: unknown time zone"},
        {{"--jobs", "0", "--output", refused}, "kovra: --jobs: '0' is not a whole number from 1 to 1024"},
        {{"--output", paths[0]}, "is the bar file '" + paths[0] + "'; writing it would destroy it"},
    };
    for (const auto& usage : usageErrors) {
        const CommandResult result = RunKovra(ScanArguments(usage.arguments, paths));
        EXPECT_EQ(result.exitCode, 2) << usage.message;
        EXPECT_NE(result.err.find(usage.message), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::ifstream(refused).good()) << "nothing is written after a usage error";
    EXPECT_EQ(Slurp(paths[0]), firstBars);
}

// The crossings of each bar, found from the series CSV by the rule itself: the
// lines of the bar's levels with the previous close below and this close at or
// above them (up), or the previous close at or above and this close below (down).
std::vector<std::string> CrossingsFromSeries(const std::vector<std::map<std::string, std::string>>& series) {
    static const char* kLines[] = {"+2/8th", "+1/8th", "8/8th", "7/8th", "6/8th",  "5/8th", "4/8th",
                                   "3/8th",  "2/8th",  "1/8th", "0/8th", "-1/8th", "-2/8th"};
    std::vector<std::string> found;
    for (size_t bar = 1; bar < series.size(); ++bar) {
        const auto& before = series[bar - 1];
        const auto& now = series[bar];
        if (before.at("8/8th").empty() || now.at("8/8th").empty()) continue;
        const float from = std::stof(before.at("close")), to = std::stof(now.at("close"));
        std::vector<std::pair<float, std::string>> crossed;
        for (const char* line : kLines) {
            const float price = std::stof(now.at(line));
            if (from < price && price <= to) crossed.emplace_back(price, fmt::format("{},{},up", line, now.at(line)));
            if (to < price && price <= from)
                crossed.emplace_back(-price, fmt::format("{},{},down", line, now.at(line)));
        }
        std::sort(crossed.begin(), crossed.end());
        for (const auto& [order, text] : crossed)
            found.push_back(
                fmt::format("{},{},{},{},{}", bar, now.at("datetime"), text, before.at("close"), now.at("close")));
    }
    return found;
}

TEST(RunCrossings, EveryCrossingOfTheSeriesLinesAndTheLastOnesInTheScanRow) {
    const std::string folder = FreshTestFolder("run-crossings");
    // A walk, then a last bar that jumps well up through the lines.
    std::string bars = WalkBars(7, 300);
    const std::string lastClose = Cells(Lines(bars).back()).back();
    const double jumped = std::stod(lastClose) + 12;
    bars += fmt::format("2024-03-11 14:30:00,{},{:.2f},{},{:.2f}\n", lastClose, jumped, lastClose, jumped);
    const std::string path = Write(folder, "jump.csv", bars);

    const RunReport run = RunFile(path, kSettings);
    std::vector<std::string> written;
    for (const auto& crossing : run.crossings)
        written.push_back(fmt::format("{},{},{},{},{},{},{}", crossing.at("bar"), crossing.at("datetime"),
                                      crossing.at("line"), crossing.at("price"), crossing.at("direction"),
                                      crossing.at("close before"), crossing.at("close after")));
    const std::vector<std::string> expected = CrossingsFromSeries(run.series);
    EXPECT_GT(expected.size(), 20u);
    EXPECT_EQ(written, expected);

    std::string lastBarLines;
    const std::string lastBar = run.series.back().at("bar");
    for (const auto& crossing : run.crossings)
        if (crossing.at("bar") == lastBar) lastBarLines += " " + crossing.at("line");
    ASSERT_NE(lastBarLines, "") << "the last bar should cross a line";
    const auto rows = Records(RunKovra(ScanArguments({"--format", "csv"}, {path})).out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("crossed"), "up" + lastBarLines);

    const std::string same = folder + "/both.csv";
    const CommandResult clash = RunKovra({"run", "--bars", path, "--series", same, "--crossings", same});
    EXPECT_EQ(clash.exitCode, 2);
    EXPECT_NE(clash.err.find("--crossings '" + same + "' is the same file as --series"), std::string::npos)
        << clash.err;
}

}  // namespace
