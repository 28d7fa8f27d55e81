// `kovra scan --jobs 2` against one `kovra run` per file on the same bars,
// loading included, measured in one run: 1,000 files of 5,000 daily bars and
// 20 files of 500,000 minute bars. The bar files are made once, from a fixed
// seed, in $KOVRA_SCAN_BENCH_DATA (default /tmp/kovra-scan-bench).
//
// Counters: the scan's files and bars per second (wall clock), the processor
// time per bar of the scan and of the runs (user + system, all threads), their
// ratio, and the peak resident memory of the scan and of the largest run.
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/text/DateTimes.h"
#include "host/bars/SplitMix64.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct DataSet {
    const char* name;
    int32_t files;
    int32_t barsPerFile;
    bool minuteBars;  // else daily
};

constexpr DataSet kDaily{"daily", 1000, 5000, false};
constexpr DataSet kMinute{"minute", 20, 500'000, true};

fs::path DataRoot() {
    const char* root = std::getenv("KOVRA_SCAN_BENCH_DATA");
    return root != nullptr && *root ? fs::path(root) : fs::path("/tmp/kovra-scan-bench");
}

// Weekdays from 2000-01-03: one bar a day, or 390 one-minute bars from 09:30.
std::string BarFile(const DataSet& set, int32_t file) {
    kovra::host::SplitMix64 random(0x5CA9'0000u + static_cast<uint64_t>(file) * 7919 + (set.minuteBars ? 1 : 0));
    // Prices in cents; minute bars move in quarter points, daily bars by up to 2 % a day.
    int64_t close = 2000 + static_cast<int64_t>(random.Next() % 48000);
    std::string text = "datetime,open,high,low,close,volume\n";
    const auto cents = [](int64_t value) { return fmt::format("{}.{:02}", value / 100, value % 100); };
    int64_t day = kovra::host::DaysSince18991230({2000, 1, 3});
    int32_t minute = 0;
    for (int32_t bar = 0; bar < set.barsPerFile; ++bar) {
        const int64_t open = close;
        int64_t high = open, low = open;
        if (set.minuteBars) {
            close = std::max<int64_t>(100, open + 25 * (static_cast<int64_t>(random.Next() % 9) - 4));
            high = std::max(open, close) + 25 * static_cast<int64_t>(random.Next() % 3);
            low = std::max<int64_t>(25, std::min(open, close) - 25 * static_cast<int64_t>(random.Next() % 3));
        } else {
            const int64_t range = std::max<int64_t>(1, open / 50);
            close = std::max<int64_t>(100, open + static_cast<int64_t>(random.Next() % (2 * range + 1)) - range);
            high = std::max(open, close) + static_cast<int64_t>(random.Next() % (range / 2 + 1));
            low = std::max<int64_t>(50, std::min(open, close) - static_cast<int64_t>(random.Next() % (range / 2 + 1)));
        }
        const kovra::host::CivilDateTime civil = kovra::host::CivilFromMicroseconds(day * kovra::host::kMicrosecondsPerDay);
        const int32_t minuteOfDay = 9 * 60 + 30 + minute;
        text += fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:00,{},{},{},{},{}\n", civil.date.year, civil.date.month,
                            civil.date.day, set.minuteBars ? minuteOfDay / 60 : 0, set.minuteBars ? minuteOfDay % 60 : 0,
                            cents(open), cents(high), cents(low), cents(close), 100 + random.Next() % 10000);
        if (set.minuteBars && ++minute < 390) continue;
        minute = 0;
        do ++day;
        while ((day + 5) % 7 >= 5);  // 1899-12-30 was a Saturday: skip Saturdays and Sundays
    }
    return text;
}

// The data set's folder, written the first time (a marker file says it is complete).
fs::path EnsureDataSet(const DataSet& set) {
    const fs::path folder = DataRoot() / set.name;
    if (fs::exists(folder / ".complete")) return folder;
    fs::create_directories(folder);
    for (int32_t file = 0; file < set.files; ++file)
        std::ofstream(folder / fmt::format("{}{:04}.csv", set.name, file), std::ios::binary) << BarFile(set, file);
    std::ofstream(folder / ".complete") << "made by scan_bench\n";
    return folder;
}

struct ProcessCost {
    double wallSeconds = 0;
    double processorSeconds = 0;  // user + system
    long peakKilobytes = 0;
};

// Runs kovra with `arguments`, its output thrown away; adds what it cost.
void RunKovra(const std::vector<std::string>& arguments, ProcessCost& cost) {
    std::vector<std::string> argv{KOVRA_BUILT_EXE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto started = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, KOVRA_BUILT_EXE, &actions, nullptr, pointers.data(), environ) != 0) std::abort();
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    cost.wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "kovra %s failed\n", arguments.front().c_str());
        std::abort();
    }
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    cost.processorSeconds += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    cost.peakKilobytes = std::max(cost.peakKilobytes, usage.ru_maxrss);
}

void ScanVersusRun(benchmark::State& state, const DataSet& set) {
    const fs::path folder = EnsureDataSet(set);
    const double bars = static_cast<double>(set.files) * set.barsPerFile;
    for (auto _ : state) {
        ProcessCost scan, run;
        RunKovra({"scan", "--jobs", "2", "--quiet", "--format", "csv", folder.string()}, scan);
        for (int32_t file = 0; file < set.files; ++file)
            RunKovra({"run", "--quiet", "--bars", (folder / fmt::format("{}{:04}.csv", set.name, file)).string()}, run);
        state.SetIterationTime(scan.wallSeconds);
        state.counters["scan_files_per_s"] = set.files / scan.wallSeconds;
        state.counters["scan_bars_per_s"] = bars / scan.wallSeconds;
        state.counters["scan_cpu_ns_per_bar"] = scan.processorSeconds / bars * 1e9;
        state.counters["run_cpu_ns_per_bar"] = run.processorSeconds / bars * 1e9;
        state.counters["run_wall_ns_per_bar"] = run.wallSeconds / bars * 1e9;
        state.counters["cpu_ratio_scan_to_run"] = scan.processorSeconds / run.processorSeconds;
        state.counters["scan_peak_MB"] = scan.peakKilobytes / 1024.0;
        state.counters["run_peak_MB"] = run.peakKilobytes / 1024.0;
    }
}

BENCHMARK_CAPTURE(ScanVersusRun, daily, kDaily)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(ScanVersusRun, minute, kMinute)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
