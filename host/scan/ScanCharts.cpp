#include "host/scan/ScanCharts.h"

#include <mutex>
#include <new>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"
#include "host/runtime/StudyInstance.h"
#include "host/scan/Workers.h"

namespace kovra::host {

void CheckScanSettings(StudyFunction study, const StudySettings& settings) {
    ChartSession chart(BarColumns{}, study);
    chart.Start(settings);
}

OpenedChart OpenChart(StudyFunction study, const std::string& path, const BarsLoadOptions& bars,
                      const ChartSetup& chart) {
    BarsLoadOptions load = bars;
    load.progress = nullptr;  // files load on several threads at once; progress is told per file
    LoadedBars loaded = LoadBarsCsv(path, load);
    OpenedChart opened;
    opened.fileBytes = loaded.textBytes;
    const SessionOptions session = SessionOptionsFor(loaded, chart);
    opened.session = std::make_unique<ChartSession>(std::move(loaded.bars), study, session);
    opened.session->Start(chart.settings);
    for (const std::string& warning : opened.session->warnings()) opened.warnings.push_back(path + ": " + warning);
    return opened;
}

std::string FailureText(const std::string& path, const std::exception& error) {
    if (dynamic_cast<const BarsLoadError*>(&error) != nullptr) return error.what();  // its message names the file
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return fmt::format("{}: out of memory", path);
    return fmt::format("{}: {}", path, error.what());
}

namespace {

ScanRow ErrorRow(const ScanFile& file, std::string error) {
    ScanRow row;
    row.instrument = file.instrument;
    row.file = file.path;
    row.error = std::move(error);
    return row;
}

}  // namespace

ScanRow ScanChart(StudyFunction study, const ScanFile& file, const ScanOptions& options) {
    if (!file.error.empty()) return ErrorRow(file, file.error);
    try {
        const OpenedChart opened = OpenChart(study, file.path, options.bars, options.chart);
        ScanRow row = RowOfChart(opened.session->study(), file.instrument, file.path);
        row.warnings = opened.warnings;
        return row;
    } catch (const std::exception& error) {
        return ErrorRow(file, FailureText(file.path, error));
    }
}

std::vector<ScanRow> ScanCharts(StudyFunction study, const std::vector<ScanFile>& files, const ScanOptions& options) {
    std::vector<ScanRow> rows(files.size());
    std::mutex progressMutex;
    size_t done = 0;  // guarded by progressMutex
    RunOnWorkers(files.size(), options.jobs, [&](size_t index) {
        rows[index] = ScanChart(study, files[index], options);  // each row is written by one worker only
        if (!options.progress) return;
        const std::lock_guard lock(progressMutex);
        options.progress(++done, files.size());
    });
    return rows;
}

}  // namespace kovra::host
