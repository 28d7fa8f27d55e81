// `kovra scan --jobs 2` against one `kovra run` per file on the same bars,
// loading included, measured in one run: 1,000 files of 5,000 daily bars and
// 20 files of 500,000 minute bars. The bar files are made once, from a fixed
// seed (bench/support/BarFiles.h).
//
// Counters: the scan's files and bars per second (wall clock), the processor
// time per bar of the scan and of the runs (user + system, all threads), their
// ratio, and the peak resident memory of the scan and of the largest run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <fmt/format.h>
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

#include "bench/support/BarFiles.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

using kovra::bench::DataSet;
using kovra::bench::EnsureDataSet;

constexpr DataSet kDaily{"daily", 1000, 5000, false};
constexpr DataSet kMinute{"minute", 20, 500'000, true};

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
