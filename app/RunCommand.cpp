// kovra run: drives the study over a chart as the platform does and reports
// what it computed: a summary, and optionally the series, the drawings and a picture.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/Commands.h"
#include "app/OptionValues.h"
#include "app/Progress.h"
#include "app/RunOptions.h"
#include "app/StandardOutput.h"
#include "host/outputs/DrawingsJson.h"
#include "host/outputs/LevelCrossings.h"
#include "host/outputs/OutputFiles.h"
#include "host/outputs/SeriesCsv.h"
#include "host/render/ChartFont.h"
#include "host/render/ChartImage.h"
#include "host/runtime/StudyOutputs.h"
#include "host/runtime/StudySettings.h"

namespace kovra::app {

namespace {

struct RunCommandOptions {
    RunOptions run;
    std::string seriesPath;
    std::string drawingsPath;
    std::string crossingsPath;
    std::string imagePath;
    host::ImageOptions image;
};

// "WxH", e.g. "1600x900", each side in its range.
void ParseImageSize(const std::string& text, host::ImageOptions& image) {
    const size_t x = text.find('x');
    int64_t width = 0, height = 0;
    try {
        if (x == std::string::npos) throw CLI::ValidationError("");
        constexpr int64_t kAny = std::numeric_limits<int64_t>::max();
        width = ParseWholeNumber("--size", text.substr(0, x), -kAny, kAny);
        height = ParseWholeNumber("--size", text.substr(x + 1), -kAny, kAny);
    } catch (const CLI::ValidationError&) {
        throw CLI::ValidationError("--size", fmt::format("'{}' is not WIDTHxHEIGHT, e.g. 1600x900", text));
    }
    using host::kMaxImageSide, host::kMinImageHeight, host::kMinImageWidth;
    if (width < kMinImageWidth || width > kMaxImageSide || height < kMinImageHeight || height > kMaxImageSide)
        throw CLI::ValidationError(
            "--size", fmt::format("{} is out of range: WIDTH from {} to {}, HEIGHT from {} to {}", text, kMinImageWidth,
                                  kMaxImageSide, kMinImageHeight, kMaxImageSide));
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
}

std::string PriceText(float price, int32_t valueFormat) {
    return std::isnan(price) ? "no value" : fmt::format("{:.{}f}", price, valueFormat);
}

std::string Summary(const RunOutcome& outcome, const RunOptions& options) {
    const host::ChartSession& session = *outcome.session;
    const host::StudyInstance& study = session.study();
    const host::BarColumns& bars = session.chart().bars;
    const int32_t lastBar = bars.size() - 1;
    const int32_t places = study.record().ValueFormat;

    std::string out;
    const std::string source =
        outcome.barsSource + (outcome.barsReversed ? ", newest first in the file: reversed" : "");
    if (bars.size() == 0) {
        out += fmt::format("bars: 0 ({})\n", source);
    } else {
        out += fmt::format("bars: {} ({}), {} to {}\n", bars.size(), source,
                           host::FormatDateTime(bars.dateTimes.front()), host::FormatDateTime(bars.dateTimes.back()));
    }
    if (options.timeframe)
        out += fmt::format("timeframe: {}, from {} source bars\n", host::FormatTimeframe(*options.timeframe),
                           session.sourceBars());
    for (const std::string& input : host::DescribeInputs(study)) out += fmt::format("input: {}\n", input);
    out += fmt::format("8/8th: {}\n", PriceText(host::EightEighthsAt(study, lastBar), places));
    out += fmt::format("0/8th: {}\n", PriceText(host::ZeroEighthsAt(study, lastBar), places));
    const host::FrameWindow window = host::FrameWindowOf(study);
    out += fmt::format("frame window: start {}, end {}, last drawn {}\n", window.start, window.end, window.lastDrawn);
    out += fmt::format("drawings: {} in force after {} pass(es)\n",
                       session.chart().drawings.DrawingsOf(study.studyIdentifier()).size(), session.drawingPasses());
    const double milliseconds = std::chrono::duration<double, std::milli>(session.lastRecalculationTime()).count();
    out += fmt::format("recalculation: {} bars in {:.3f} ms\n", session.lastRecalculationBars(), milliseconds);
    return out;
}

// An output may name neither an input of the run nor another output: writing
// it would destroy what the run reads or what it just wrote.
void CheckOutputsAreDistinct(const RunCommandOptions& options) {
    struct Named {
        const char* role;
        std::string path;
    };
    std::vector<Named> inputs;
    if (!options.run.barsPath.empty()) inputs.push_back({"the bar file", options.run.barsPath});
    inputs.push_back({"the study library", StudyLibraryPath(options.run)});
    std::vector<Named> outputs;
    for (const auto& [option, path] : {std::pair{"--series", &options.seriesPath},
                                       {"--drawings", &options.drawingsPath},
                                       {"--crossings", &options.crossingsPath},
                                       {"--image", &options.imagePath}})
        if (!path->empty()) outputs.push_back({option, *path});
    for (size_t i = 0; i < outputs.size(); ++i) {
        const host::FileIdentity identity = host::IdentityOf(outputs[i].path);
        // Written through, standard output replaces nothing; it may be the terminal the bars come from.
        const bool replacesAFile = !host::IsStandardOutput(outputs[i].path);
        for (const Named& input : inputs)
            if (replacesAFile && identity == host::IdentityOf(input.path))
                throw UsageError(fmt::format("{} '{}' is {}; writing it would destroy it, so choose another file",
                                             outputs[i].role, outputs[i].path, input.role));
        for (size_t j = 0; j < i; ++j)
            if (identity == host::IdentityOf(outputs[j].path))
                throw UsageError(fmt::format("{} '{}' is the same file as {} '{}'; give each output its own file",
                                             outputs[i].role, outputs[i].path, outputs[j].role, outputs[j].path));
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
    CheckRunOptions(options.run);
    CheckOutputsAreDistinct(options);

    // The temporary files are made now, so an unwritable output fails before the work.
    RunOutcome outcome;
    host::OutputFiles outputs;
    const auto output = [&outputs](const std::string& path, host::OutputFiles::Producer produce) {
        if (!path.empty()) outputs.Add(path, std::move(produce));
    };
    try {
        output(options.seriesPath, [&outcome](host::OutputSink& sink) {
            host::WriteSeriesCsv(outcome.session->study(), [&sink](std::string_view piece) { sink.Write(piece); });
        });
        output(options.drawingsPath,
               [&outcome](host::OutputSink& sink) { sink.Write(host::FormatDrawingsJson(*outcome.session)); });
        output(options.crossingsPath,
               [&outcome](host::OutputSink& sink) { sink.Write(host::FormatCrossingsCsv(outcome.session->study())); });
        output(options.imagePath, [&outcome, &options](host::OutputSink& sink) {
            // The font libraries keep process-wide caches; they are handed back
            // after the one picture so that leak checkers see a clean exit.
            struct ReleaseFonts {
                ~ReleaseFonts() { host::ReleaseFontCaches(); }
            } releaseFonts;
            sink.Write(host::RenderChartImage(outcome.session->study(), options.image, options.imagePath));
        });
    } catch (const host::OutputError& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }

    Progress progress(!options.run.quiet);
    outcome = RunSession(options.run, progress);
    const std::string* const outputPaths[] = {&options.seriesPath, &options.drawingsPath, &options.crossingsPath,
                                              &options.imagePath};
    try {
        outputs.WriteAll();
    } catch (const host::OutputError& error) {
        throw CommandFailure(error.what(), kExitFailure);
    } catch (const std::runtime_error& error) {  // the picture could not be drawn
        throw CommandFailure(error.what(), kExitFailure);
    }
    // A summary would mix into an output written to standard output.
    const bool outputToStandardOutput =
        std::any_of(std::begin(outputPaths), std::end(outputPaths),
                    [](const std::string* path) { return !path->empty() && host::IsStandardOutput(*path); });
    if (options.run.quiet || outputToStandardOutput) return;
    WriteStandardOutput(Summary(outcome, options.run));
    if (!options.imagePath.empty()) WriteStandardOutput("image: " + options.imagePath + "\n");
}

}  // namespace

void AddRunCommand(CLI::App& root, int& exitCode) {
    CLI::App* command = root.add_subcommand(
        "run",
        "Load bars and the study, recalculate as the platform does, play real-time ticks and button pushes, "
        "and report the result");
    auto options = std::make_shared<RunCommandOptions>();
    AddRunOptions(*command, options->run);
    AddFileOption(*command, "--series", options->seriesPath,
                  "Write the study's series as CSV, one row per bar (- for standard output)", "FILE.csv");
    AddFileOption(*command, "--drawings", options->drawingsPath,
                  "Write the study's drawings in force as JSON (- for standard output)", "FILE.json");
    AddFileOption(*command, "--crossings", options->crossingsPath,
                  "Write every crossing of a level line by the close as CSV, one row per line crossed (- for "
                  "standard output)",
                  "FILE.csv");
    AddFileOption(*command, "--image", options->imagePath,
                  "Draw the chart as the platform would show it (.png, .svg or .pdf)");
    AddWholeNumberOption(*command, "--window", options->image.windowBars, 1, host::kMaxWindowSlots,
                         "Bars the picture shows (default: the whole current frame, with room on the right)");
    command
        ->add_option_function<std::string>(
            "--size", [options](const std::string& text) { ParseImageSize(text, options->image); },
            fmt::format("Picture size in pixels, WIDTHxHEIGHT (default {}x{}; {}x{} to {}x{})",
                        host::kDefaultImageWidth, host::kDefaultImageHeight, host::kMinImageWidth,
                        host::kMinImageHeight, host::kMaxImageSide, host::kMaxImageSide))
        ->type_name("WxH");
    command->callback([options, &exitCode] {
        Run(*options);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
