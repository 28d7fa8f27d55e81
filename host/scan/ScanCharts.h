// The scanning engine: many bar files, each one chart with its own instance of
// the study, run the way `kovra run` runs a chart (the defaults call, the
// settings, a full recalculation) on a pool of worker threads. The study keeps
// nothing of its own between calls, so the instances share nothing but the
// library's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/ChartSetup.h"
#include "host/runtime/StudySettings.h"
#include "host/scan/ScanFiles.h"
#include "host/scan/ScanRow.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

struct ScanOptions {
    BarsLoadOptions bars;  // how the files read (time zone, date order); its progress is never called
    ChartSetup chart;      // the settings and price decimals of every chart
    int32_t jobs = 1;      // worker threads, 1 or more
    // Told after each file how many of them are done; called by one thread at a time.
    std::function<void(size_t done, size_t total)> progress;
};

// Tries the settings on a chart without bars, so that a setting the dialog
// refuses stops the scan before any file is read. Throws SettingsError.
void CheckScanSettings(StudyFunction study, const StudySettings& settings);

// One bar file's chart, started: its bars loaded as `bars` says (progress
// never called), the session set up and recalculated as `chart` says.
// Warnings about the bars or the run, one line each, name the file.
struct OpenedChart {
    std::unique_ptr<ChartSession> session;
    std::vector<std::string> warnings;
    size_t fileBytes = 0;  // of the file, as read
};
// Throws BarsLoadError (its message names the file), SettingsError for a
// refused setting, and what the study's run throws.
OpenedChart OpenChart(StudyFunction study, const std::string& path, const BarsLoadOptions& bars,
                      const ChartSetup& chart);

// The one-line error of a file that gave no chart: a bar file's own error
// (which names the file), else the file's path and what went wrong.
std::string FailureText(const std::string& path, const std::exception& error);

// One file's row. A file that does not load, or a chart that fails, gives a
// row with its error; nothing is thrown.
ScanRow ScanChart(StudyFunction study, const ScanFile& file, const ScanOptions& options);

// Every file's row, in the order of `files` whatever the order the workers
// finish in. Each worker takes the next file not yet taken and runs it whole.
std::vector<ScanRow> ScanCharts(StudyFunction study, const std::vector<ScanFile>& files, const ScanOptions& options);

}  // namespace kovra::host
