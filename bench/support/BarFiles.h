// Bar files for the benchmarks, made once from a fixed seed in
// $KOVRA_SCAN_BENCH_DATA (default /tmp/kovra-scan-bench): weekday daily bars
// moving by up to 2 % a day, or 390 one-minute bars a day in quarter points.
#pragma once

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/bars/SplitMix64.h"
#include "host/text/DateTimes.h"

namespace kovra::bench {

namespace fs = std::filesystem;

struct DataSet {
    const char* name;
    int32_t files;
    int32_t barsPerFile;
    bool minuteBars;  // else daily
};

inline fs::path DataRoot() {
    const char* root = std::getenv("KOVRA_SCAN_BENCH_DATA");
    return root != nullptr && *root ? fs::path(root) : fs::path("/tmp/kovra-scan-bench");
}

// Weekdays from 2000-01-03: one bar a day, or 390 one-minute bars from 09:30.
inline std::string BarFile(const DataSet& set, int32_t file) {
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
        const kovra::host::CivilDateTime civil =
            kovra::host::CivilFromMicroseconds(day * kovra::host::kMicrosecondsPerDay);
        const int32_t minuteOfDay = 9 * 60 + 30 + minute;
        text +=
            fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:00,{},{},{},{},{}\n", civil.date.year, civil.date.month,
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
inline fs::path EnsureDataSet(const DataSet& set) {
    const fs::path folder = DataRoot() / set.name;
    if (fs::exists(folder / ".complete")) return folder;
    fs::create_directories(folder);
    for (int32_t file = 0; file < set.files; ++file)
        std::ofstream(folder / fmt::format("{}{:04}.csv", set.name, file), std::ios::binary) << BarFile(set, file);
    std::ofstream(folder / ".complete") << "made by the benchmarks\n";
    return folder;
}

}  // namespace kovra::bench
