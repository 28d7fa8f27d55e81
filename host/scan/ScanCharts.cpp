#include "host/scan/ScanCharts.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

void CheckScanSettings(StudyFunction study, const StudySettings& settings) {
    ChartSession chart(BarColumns{}, study);
    chart.Start(settings);
}

namespace {

ScanRow ErrorRow(const ScanFile& file, std::string error, std::vector<std::string> warnings = {}) {
    ScanRow row;
    row.instrument = file.instrument;
    row.file = file.path;
    row.error = std::move(error);
    row.warnings = std::move(warnings);
    return row;
}

}  // namespace

ScanRow ScanChart(StudyFunction study, const ScanFile& file, const ScanOptions& options) {
    if (!file.error.empty()) return ErrorRow(file, file.error);
    std::vector<std::string> warnings;
    try {
        BarsLoadOptions load = options.bars;
        load.progress = nullptr;  // files load on several threads at once; progress is told per file
        LoadedBars loaded = LoadBarsCsv(file.path, load);
        SessionOptions session;
        session.valueFormat = options.valueFormat.value_or(PriceDecimalsOf(loaded.priceDecimals));
        ChartSession chart(std::move(loaded.bars), study, session);
        chart.Start(options.settings);
        for (const std::string& warning : chart.warnings()) warnings.push_back(file.path + ": " + warning);
        ScanRow row = RowOfChart(chart.study(), file.instrument, file.path);
        row.warnings = std::move(warnings);
        return row;
    } catch (const BarsLoadError& error) {
        return ErrorRow(file, error.what(), std::move(warnings));  // its message names the file
    } catch (const std::bad_alloc&) {
        return ErrorRow(file, fmt::format("{}: out of memory", file.path), std::move(warnings));
    } catch (const std::exception& error) {
        return ErrorRow(file, fmt::format("{}: {}", file.path, error.what()), std::move(warnings));
    }
}

std::vector<ScanRow> ScanCharts(StudyFunction study, const std::vector<ScanFile>& files, const ScanOptions& options) {
    std::vector<ScanRow> rows(files.size());
    std::atomic<size_t> next{0};
    std::mutex progressMutex;
    size_t done = 0;  // guarded by progressMutex
    const auto work = [&] {
        for (size_t index = next++; index < files.size(); index = next++) {
            rows[index] = ScanChart(study, files[index], options);  // each row is written by one worker only
            if (!options.progress) continue;
            const std::lock_guard lock(progressMutex);
            options.progress(++done, files.size());
        }
    };
    const size_t workers = std::min<size_t>(static_cast<size_t>(std::max(options.jobs, 1)), std::max<size_t>(files.size(), 1));
    {
        std::vector<std::jthread> pool;
        for (size_t i = 1; i < workers; ++i) pool.emplace_back(work);
        work();  // the calling thread is a worker too
    }  // every worker has joined here, before the rows are handed over
    return rows;
}

}  // namespace kovra::host
