// What a study leaves on a chart, captured bit for bit so two ways of
// computing it can be compared, and the settings the comparisons loop over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/runtime/Chart.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudySettings.h"

namespace kovra::streaming {

// The study's inputs by list index, as the settings dialog sets them.
struct StudySettings {
    int32_t algorithm = 1;       // Normalized, Optimized, Accelerated, Legacy
    int32_t frameSize = 2;       // 4, 8, 16, 32, 64, 128, 256
    int32_t priorInclusion = 0;  // 0%, 50%, 100%
    int32_t priceExtremes = 0;   // HL, OC
    bool showGrid = true;
};

// The same settings as the settings dialog's edits, by input name and list item.
host::StudySettings DialogSettings(const StudySettings& settings);
void ApplySettings(host::StudyInstance& study, const StudySettings& settings);
std::string Describe(const StudySettings& settings);

struct StudyOutput {
    std::vector<uint32_t> seriesBits;           // subgraphs 0..14, every bar, as stored (NaN = no value)
    std::vector<std::string> drawings;          // each request's bytes then its text, in submission order
    std::vector<std::string> drawingSummaries;  // the same drawings, readable
    int32_t frameStart = 0, frameEnd = 0, lastDrawn = 0;
};

StudyOutput CaptureOutput(const host::StudyInstance& study);

// Where two outputs first differ, expected and actual side by side; empty when identical.
std::string SeriesDifference(const StudyOutput& expected, const StudyOutput& actual);
std::string DrawingsDifference(const StudyOutput& expected, const StudyOutput& actual);

// The study function of the built library, loaded once as the platform loads it.
StudyFunction LoadedStudy();

// The first `count` bars of the embedded sample.
host::BarColumns FirstSampleBars(int32_t count);

}  // namespace kovra::streaming
