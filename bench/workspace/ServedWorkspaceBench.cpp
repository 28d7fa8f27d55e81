// A workspace as `kovra serve FOLDER` runs it: 200 instruments of 5,000
// daily bars opened on two worker threads, every chart started, until the
// watchlist is answered (wall clock, and the heap each instrument holds
// against its bars and series, the server's copy of the source bars
// included); then a bar appended to one followed file until its row reaches
// the workspace's event stream, which the page shows as it comes (wall clock).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BarFiles.h"
#include "bench/support/BenchSupport.h"
#include "host/serve/WorkspaceEngine.h"
#include "host/text/DateTimeText.h"
#include "host/text/DateTimes.h"

namespace {

using namespace kovra;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr bench::DataSet kWorkspace{"workspace", 200, 5000, false};

double HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// A copy of the data set the benchmark may append to.
fs::path FollowedCopy() {
    const fs::path copy = fs::temp_directory_path() / fmt::format("kovra-served-workspace-{}", getpid());
    fs::remove_all(copy);
    fs::copy(bench::EnsureDataSet(kWorkspace), copy);
    return copy;
}

host::WorkspaceSetup ServedSetup(const fs::path& folder) {
    host::WorkspaceSetup setup;
    setup.library = std::make_unique<host::StudyLibrary>(bench::Library().path());
    setup.sources = {folder.string()};
    setup.options.jobs = 2;
    setup.options.warn = [](const std::string&) {};
    setup.statePath = (folder / "state.sqlite3").string();
    setup.follow = true;
    return setup;
}

void ServeWorkspace(benchmark::State& state) {
    const fs::path folder = FollowedCopy();
    for (auto _ : state) {
        const double heapBefore = HeapInUse();
        const auto started = Clock::now();
        host::WorkspaceEngine engine(ServedSetup(folder));
        engine.Start();
        const host::EngineReply watchlist = engine.Instruments();
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (watchlist.status != 200) state.SkipWithError("the watchlist was not answered");
        state.SetIterationTime(seconds);
        state.counters["open_and_watchlist_s"] = seconds;
        state.counters["heap_per_instrument_kB"] = (HeapInUse() - heapBefore) / kWorkspace.files / 1024;

        // Appended lines, each a day after the file's last bar, to instruments
        // in turn; from the write to the row on the event stream.
        host::EventHub& events = engine.events();
        const uint64_t stream = events.OpenStream();
        std::vector<double> latencies;
        for (int32_t round = 0; round < 20; ++round) {
            // At a time unrelated to the engine's looks at the files: a round
            // right after the last row would find its look just behind.
            std::this_thread::sleep_for(std::chrono::milliseconds((round * 37) % 101));
            const std::string name = fmt::format("workspace{:04}", round * 7);
            const int64_t day = host::DaysSince18991230({2019, 3, 4}) + round;
            std::ofstream(folder / (name + ".csv"), std::ios::app)
                << host::FormatDateTime(day * host::kMicrosecondsPerDay) << ",100,101,99,100.5,1000\n";
            const auto written = Clock::now();
            bool seen = false;
            uint64_t version = events.version();
            while (!seen && Clock::now() - written < std::chrono::seconds(5)) {
                std::vector<host::ChartEvent> got;
                if (events.Wait(stream, version, std::chrono::milliseconds(100), got) != host::EventHub::Wake::kEvents)
                    continue;
                for (const host::ChartEvent& event : got) {
                    version = event.version;
                    seen = seen || (event.name == "instrument" &&
                                    event.data.find("\"name\":\"" + name + "\"") != std::string::npos);
                }
            }
            if (!seen) state.SkipWithError("a new bar's row never came");
            latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - written).count());
        }
        events.CloseStream(stream);
        std::sort(latencies.begin(), latencies.end());
        state.counters["row_after_bar_median_ms"] = latencies[latencies.size() / 2];
        state.counters["row_after_bar_max_ms"] = latencies.back();
        engine.Stop();
    }
    fs::remove_all(folder);
}
BENCHMARK(ServeWorkspace)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
