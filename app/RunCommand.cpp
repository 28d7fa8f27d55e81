// kovra run: drives the study over a chart as the platform does and reports
// what it computed: a summary, and optionally the series and the drawings.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/Commands.h"
#include "app/RunOptions.h"
#include "host/AtomicFile.h"
#include "host/DrawingsJson.h"
#include "host/SeriesCsv.h"
#include "host/StudySettings.h"
#include "host/render/ChartFont.h"
#include "host/render/ChartImage.h"
#include "layout/StudyLayout.h"

namespace kovra::app {

namespace {

struct RunCommandOptions {
    RunOptions run;
    std::string seriesPath;
    std::string drawingsPath;
    std::string imagePath;
    host::ImageOptions image;
};

// "WxH", e.g. "1600x900".
std::string ParseImageSize(const std::string& text, host::ImageOptions& image) {
    int width = 0, height = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &rest) != 2)
        return "--size: '" + text + "' is not WIDTHxHEIGHT, e.g. 1600x900";
    image.width = width;
    image.height = height;
    return {};
}

void WriteImage(const RunCommandOptions& options, const RunOutcome& outcome) {
    // The font libraries keep process-wide caches; they are handed back after
    // the one picture so that leak checkers see a clean exit.
    struct ReleaseFonts {
        ~ReleaseFonts() { host::ReleaseFontCaches(); }
    } releaseFonts;
    try {
        host::WriteChartImage(outcome.session->study(), options.image, options.imagePath);
    } catch (const std::invalid_argument& error) {
        throw UsageError(error.what());
    } catch (const std::runtime_error& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }
}

std::string PriceText(float price, int32_t valueFormat) {
    return std::isnan(price) ? "no value" : fmt::format("{:.{}f}", price, valueFormat);
}

void PrintSummary(const RunOutcome& outcome) {
    const host::ChartSession& session = *outcome.session;
    const host::StudyInstance& study = session.study();
    const host::BarColumns& bars = session.chart().bars;
    const int32_t lastBar = bars.size() - 1;
    const int32_t places = study.record().ValueFormat;

    if (bars.size() == 0) {
        std::printf("bars: 0 (%s)\n", outcome.barsSource.c_str());
    } else {
        std::printf("bars: %d (%s), %s to %s\n", bars.size(), outcome.barsSource.c_str(),
                    host::FormatDateTime(bars.dateTimes.front()).c_str(),
                    host::FormatDateTime(bars.dateTimes.back()).c_str());
    }
    for (const std::string& input : host::DescribeInputs(study)) std::printf("input: %s\n", input.c_str());
    std::printf("8/8th: %s\n", PriceText(study.SeriesValue(layout::kSubgraphTop, lastBar), places).c_str());
    std::printf("0/8th: %s\n", PriceText(study.SeriesValue(layout::kSubgraphBottom, lastBar), places).c_str());
    std::printf("frame window: start %d, end %d, last drawn %d\n", study.PersistentValue(layout::kFrameStartKey),
                study.PersistentValue(layout::kFrameEndKey), study.PersistentValue(layout::kLastDrawnKey));
    std::printf("drawings: %zu in force after %lld pass(es)\n",
                session.chart().drawings.DrawingsOf(study.studyIdentifier()).size(),
                static_cast<long long>(session.drawingPasses()));
    const double milliseconds = std::chrono::duration<double, std::milli>(session.lastRecalculationTime()).count();
    std::printf("recalculation: %d bars in %.3f ms\n", session.lastRecalculationBars(), milliseconds);
}

void WriteOutput(const std::string& path, const std::string& contents) {
    try {
        host::WriteFileAtomically(path, contents);
    } catch (const std::runtime_error& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }
}

void Run(const RunCommandOptions& options) {
    if (!options.imagePath.empty()) {
        try {
            host::CheckImageFormat(options.imagePath);
            host::CheckImageSize(options.image);
        } catch (const std::invalid_argument& error) {
            throw UsageError(error.what());
        }
    }
    const RunOutcome outcome = RunSession(options.run);
    // Everything is formatted before anything is written.
    std::vector<std::pair<std::string, std::string>> outputs;
    if (!options.seriesPath.empty())
        outputs.emplace_back(options.seriesPath, host::FormatSeriesCsv(outcome.session->study()));
    if (!options.drawingsPath.empty())
        outputs.emplace_back(options.drawingsPath, host::FormatDrawingsJson(*outcome.session));
    for (const auto& [path, contents] : outputs) WriteOutput(path, contents);
    if (!options.imagePath.empty()) WriteImage(options, outcome);
    if (!options.run.quiet) PrintSummary(outcome);
    if (!options.imagePath.empty() && !options.run.quiet) std::printf("image: %s\n", options.imagePath.c_str());
}

}  // namespace

void AddRunCommand(CLI::App& root, int& exitCode) {
    CLI::App* command = root.add_subcommand(
        "run", "Load bars and the study, recalculate as the platform does, play real-time ticks and button pushes, "
               "and report the result");
    auto options = std::make_shared<RunCommandOptions>();
    AddRunOptions(*command, options->run);
    command->add_option("--series", options->seriesPath, "Write the study's series as CSV, one row per bar")
        ->type_name("FILE.csv");
    command->add_option("--drawings", options->drawingsPath, "Write the study's drawings in force as JSON")
        ->type_name("FILE.json");
    command->add_option("--image", options->imagePath, "Draw the chart as the platform would show it (.png, .svg or .pdf)")
        ->type_name("FILE");
    command->add_option("--window", options->image.windowBars,
                        "Bars the picture shows (default: the whole current frame, with room on the right)")
        ->check(CLI::NonNegativeNumber);
    command->add_option_function<std::string>(
        "--size",
        [options](const std::string& text) {
            const std::string problem = ParseImageSize(text, options->image);
            if (!problem.empty()) throw CLI::ValidationError(problem);
        },
        "Picture size in pixels, WIDTHxHEIGHT (default 1600x900)");
    command->callback([options, &exitCode] {
        Run(*options);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
