// Engines on the embedded sample bars with the real study, for the server tests.
#pragma once

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/bars/SampleBars.h"
#include "host/runtime/HostTextOperations.h"
#include "host/serve/ChartEngine.h"

namespace serve_test {

using namespace kovra::host;
using json = nlohmann::json;

// Warnings the engine gave, collected across threads.
struct Warnings {
    std::mutex mutex;
    std::vector<std::string> lines;
    void Add(const std::string& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    }
};

inline BarColumns FirstSampleBars(int32_t count) {
    const BarColumns& sample = SampleBars().bars;
    BarColumns bars;
    for (int32_t bar = 0; bar < count && bar < sample.size(); ++bar) bars.Append(sample.At(bar));
    return bars;
}

// An engine whose replay may show the sample's first `knownBars` bars, with
// the first `shownBars` (0: all) on the chart.
inline std::unique_ptr<ChartEngine> SampleEngine(int32_t knownBars, int32_t shownBars = 0, int32_t maxBars = 0,
                                                 std::unique_ptr<FollowedFile> followed = nullptr,
                                                 Warnings* warnings = nullptr) {
    EngineSetup setup;
    setup.library = std::make_unique<StudyLibrary>(std::getenv("KOVRA_STUDY_LIBRARY"));
    setup.bars = FirstSampleBars(knownBars);
    SessionOptions session;
    session.valueFormat = SampleBars().priceDecimals;
    BarColumns shown = FirstSampleBars(shownBars > 0 ? shownBars : setup.bars.size());
    setup.session = std::make_unique<ChartSession>(std::move(shown), setup.library->studyFunction(), session);
    setup.session->Start();
    setup.maxBars = maxBars;
    setup.followed = std::move(followed);
    setup.warn = [warnings](const std::string& line) {
        if (warnings != nullptr) warnings->Add(line);
    };
    return std::make_unique<ChartEngine>(std::move(setup));
}

inline json StateOf(ChartEngine& engine) { return json::parse(*engine.State().body); }

}  // namespace serve_test
