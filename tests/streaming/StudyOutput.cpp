#include "tests/streaming/StudyOutput.h"

#include <cstdlib>
#include <cstring>

#include <fmt/format.h>

#include "host/bars/SampleBars.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::streaming {

namespace {

constexpr int32_t kComparedSubgraphs = 15;  // the thirteen levels and the two extremes

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::string Summary(const host::StoredDrawing& drawing) {
    const DrawingRequest r = drawing.request();
    return fmt::format("id {} type {} bars {}..{} prices {:.9g}..{:.9g} time {} colours {:08X}/{:08X} text \"{}\"",
                       r.DrawingId, r.DrawingType, r.FirstBar, r.SecondBar, r.FirstPrice, r.SecondPrice,
                       r.FirstDateTime, r.LineColour, r.FillColour, drawing.text);
}

}  // namespace

host::StudySettings DialogSettings(const StudySettings& settings) {
    constexpr const char* kAlgorithms[] = {"Normalized", "Optimized", "Accelerated", "Legacy"};
    constexpr const char* kFrameSizes[] = {"4", "8", "16", "32", "64", "128", "256"};
    constexpr const char* kInclusions[] = {"0%", "50%", "100%"};
    constexpr const char* kExtremes[] = {"HL", "OC"};
    return {{{"Frame Algorithm", kAlgorithms[settings.algorithm]},
             {"Frame Size", kFrameSizes[settings.frameSize]},
             {"Prior Frame Inclusion", kInclusions[settings.priorInclusion]},
             {"Price Extremes", kExtremes[settings.priceExtremes]},
             {"Show Grid", settings.showGrid ? "yes" : "no"}},
            {}};
}

void ApplySettings(host::StudyInstance& study, const StudySettings& settings) {
    host::ApplyStudySettings(study, DialogSettings(settings));
}

std::string Describe(const StudySettings& s) {
    return fmt::format("algorithm {} frame size {} prior {} extremes {} grid {}", s.algorithm, s.frameSize,
                       s.priorInclusion, s.priceExtremes, s.showGrid);
}

StudyOutput CaptureOutput(const host::StudyInstance& study) {
    StudyOutput output;
    const int32_t bars = study.chart().bars.size();
    for (int32_t subgraph = 0; subgraph < kComparedSubgraphs; ++subgraph)
        for (int32_t bar = 0; bar < bars; ++bar) output.seriesBits.push_back(Bits(study.SeriesValue(subgraph, bar)));
    for (const host::StoredDrawing* drawing : study.chart().drawings.DrawingsOf(study.studyIdentifier())) {
        const DrawingRequest request = drawing->request();
        std::string bytes(reinterpret_cast<const char*>(&request), sizeof request);
        output.drawings.push_back(bytes + drawing->text);
        output.drawingSummaries.push_back(Summary(*drawing));
    }
    output.frameStart = study.PersistentValue(1);
    output.frameEnd = study.PersistentValue(2);
    output.lastDrawn = study.PersistentValue(3);
    return output;
}

std::string SeriesDifference(const StudyOutput& expected, const StudyOutput& actual) {
    if (expected.seriesBits.size() != actual.seriesBits.size())
        return fmt::format("{} series values expected, {} found", expected.seriesBits.size(), actual.seriesBits.size());
    const size_t bars = expected.seriesBits.size() / kComparedSubgraphs;
    for (size_t i = 0; i < expected.seriesBits.size(); ++i) {
        if (expected.seriesBits[i] == actual.seriesBits[i]) continue;
        float e, a;
        std::memcpy(&e, &expected.seriesBits[i], sizeof e);
        std::memcpy(&a, &actual.seriesBits[i], sizeof a);
        return fmt::format("subgraph {} bar {}: expected {:.9g} ({:08X}), actual {:.9g} ({:08X})", i / bars, i % bars,
                           e, expected.seriesBits[i], a, actual.seriesBits[i]);
    }
    return {};
}

std::string DrawingsDifference(const StudyOutput& expected, const StudyOutput& actual) {
    const size_t common = std::min(expected.drawings.size(), actual.drawings.size());
    for (size_t i = 0; i < common; ++i)
        if (expected.drawings[i] != actual.drawings[i])
            return fmt::format("drawing {}:\n  expected {}\n  actual   {}", i, expected.drawingSummaries[i],
                               actual.drawingSummaries[i]);
    if (expected.drawings.size() != actual.drawings.size())
        return fmt::format("{} drawings expected, {} found", expected.drawings.size(), actual.drawings.size());
    return {};
}

StudyFunction LoadedStudy() {
    static const host::StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    return library.studyFunction();
}

host::BarColumns FirstSampleBars(int32_t count) {
    const host::BarColumns& all = host::SampleBars().bars;
    host::BarColumns bars;
    for (int32_t i = 0; i < count && i < all.size(); ++i)
        bars.Append(all.dateTimes[i], all.open[i], all.high[i], all.low[i], all.close[i], all.volume[i]);
    return bars;
}

}  // namespace kovra::streaming
