// The scanning engine: many bar files, each one chart with its own instance of
// the study, run the way `kovra run` runs a chart (the defaults call, the
// settings, a full recalculation) on a pool of worker threads. The study keeps
// nothing of its own between calls, so the instances share nothing but the
// library's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/runtime/StudySettings.h"
#include "host/scan/ScanFiles.h"
#include "host/scan/ScanRow.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

struct ScanOptions {
    BarsLoadOptions bars;  // how the files read (time zone, date order); its progress is never called
    StudySettings settings;
    std::optional<int32_t> valueFormat;  // decimal places of price texts; unset: each file's own
    int32_t jobs = 1;                    // worker threads, 1 or more
    // Told after each file how many of them are done; called by one thread at a time.
    std::function<void(size_t done, size_t total)> progress;
};

// Tries the settings on a chart without bars, so that a setting the dialog
// refuses stops the scan before any file is read. Throws SettingsError.
void CheckScanSettings(StudyFunction study, const StudySettings& settings);

// One file's row. A file that does not load, or a chart that fails, gives a
// row with its error; nothing is thrown.
ScanRow ScanChart(StudyFunction study, const ScanFile& file, const ScanOptions& options);

// Every file's row, in the order of `files` whatever the order the workers
// finish in. Each worker takes the next file not yet taken and runs it whole.
std::vector<ScanRow> ScanCharts(StudyFunction study, const std::vector<ScanFile>& files, const ScanOptions& options);

}  // namespace kovra::host
