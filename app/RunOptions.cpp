#include "app/RunOptions.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "app/Commands.h"
#include "host/BarsCsv.h"
#include "host/PriceStep.h"
#include "host/SampleBars.h"

namespace kovra::app {

namespace {

struct ButtonPush {
    int32_t button;
    int32_t kind;
};

ButtonPush ParsePush(const std::string& push) {
    const size_t colon = push.find(':');
    const std::string_view number = std::string_view(push).substr(0, colon);
    const std::string_view state = colon == std::string::npos ? "on" : std::string_view(push).substr(colon + 1);
    int32_t button = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), button);
    const bool goodNumber = error == std::errc{} && end == number.data() + number.size() && button >= 1 &&
                            button <= host::ControlBar::kButtonCount;
    if (!goodNumber || (state != "on" && state != "off"))
        throw UsageError(fmt::format("--push \"{}\": expected N, N:on or N:off with N from 1 to {}", push,
                                     host::ControlBar::kButtonCount));
    return {button, state == "on" ? kButtonPushedOn : kButtonPushedOff};
}

host::LoadedBars LoadBars(const std::string& path) {
    if (path.empty()) return host::SampleBars();
    try {
        return host::LoadBarsCsv(path);
    } catch (const host::BarsLoadError& error) {
        throw CommandFailure(error.what(), kExitUsage);
    }
}

std::unique_ptr<host::StudyLibrary> LoadLibrary(const std::string& path) {
    try {
        return std::make_unique<host::StudyLibrary>(path.empty() ? host::DefaultStudyLibraryPath() : path);
    } catch (const host::StudyLoadError& error) {
        throw CommandFailure(error.what(), kExitUsage);
    }
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

struct Assignment {
    std::string target;  // left of the first "=", trimmed
    std::string value;   // right of it, trimmed
};

Assignment SplitAssignment(std::string_view setting, std::string_view option, std::string_view form) {
    const size_t equals = setting.find('=');
    if (equals == std::string_view::npos)
        throw UsageError(fmt::format("{} \"{}\": expected \"{}\"", option, setting, form));
    return {std::string(Trimmed(setting.substr(0, equals))), std::string(Trimmed(setting.substr(equals + 1)))};
}

// The --set and --subgraph options as the settings dialog's edits.
host::StudySettings SettingsOf(const RunOptions& options) {
    host::StudySettings settings;
    for (const std::string& setting : options.inputSettings) {
        Assignment assignment = SplitAssignment(setting, "--set", "INPUT NAME=VALUE");
        settings.inputs.push_back({std::move(assignment.target), std::move(assignment.value)});
    }
    for (const std::string& setting : options.subgraphSettings) {
        const Assignment assignment = SplitAssignment(setting, "--subgraph", "NAME.FIELD=VALUE");
        const size_t dot = assignment.target.rfind('.');
        if (dot == std::string::npos)
            throw UsageError(fmt::format("--subgraph \"{}\": expected \"NAME.FIELD=VALUE\"", setting));
        settings.subgraphs.push_back(
            {assignment.target.substr(0, dot), assignment.target.substr(dot + 1), assignment.value});
    }
    return settings;
}

// A refused setting as the user wrote it.
UsageError RefusedSetting(const RunOptions& options, const host::SettingsError& error) {
    const bool input = error.kind == host::SettingsError::Kind::kInput;
    const std::string& written = input ? options.inputSettings[error.index] : options.subgraphSettings[error.index];
    return UsageError(fmt::format("{} \"{}\": {}", input ? "--set" : "--subgraph", written, error.what()));
}

void Warn(const std::string& message) { std::fprintf(stderr, "kovra: warning: %s\n", message.c_str()); }

}  // namespace

void AddRunOptions(CLI::App& command, RunOptions& options) {
    command.add_option("--bars", options.barsPath,
                       "Bars to load (CSV with a header row); default: the embedded sample bars")
        ->type_name("FILE");
    command.add_option("--set", options.inputSettings,
                       "Set an input as the settings dialog does: \"INPUT NAME=VALUE\", VALUE a list item's text "
                       "or yes/no (repeatable)")
        ->type_name("\"INPUT NAME=VALUE\"")
        ->allow_extra_args(false);
    command.add_option("--subgraph", options.subgraphSettings,
                       "Set a subgraph field: \"NAME.FIELD=VALUE\", NAME a subgraph's name or #POSITION (repeatable)")
        ->type_name("\"NAME.FIELD=VALUE\"")
        ->allow_extra_args(false);
    command.add_option_function<int32_t>(
               "--value-format", [&options](const int32_t& places) { options.valueFormat = places; },
               "Decimal places of price texts (0..9); default: the most the bar prices use")
        ->type_name("N")
        ->check(CLI::Range(0, 9));
    command.add_option("--ticks", options.ticks, "Real-time price updates to play after the recalculation (default 0)")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    command.add_option("--seed", options.seed, "Seed of the real-time price walk (default 1)")->type_name("S");
    command.add_option("--push", options.pushes,
                       "Click control-bar button N (N, N:on or N:off), after the ticks, in order (repeatable)")
        ->type_name("N[:on|:off]")
        ->allow_extra_args(false);
    command.add_option("--study", options.studyPath, "Study library to load (default: the one built beside kovra)")
        ->type_name("PATH");
    command.add_option("--study-id", options.studyIdentifier, "The study instance's identifier on the chart (default 1)")
        ->type_name("N")
        ->check(CLI::Range(1, std::numeric_limits<int32_t>::max()));
    command.add_flag("--quiet", options.quiet, "Print no summary");
}

RunOutcome RunSession(const RunOptions& options) {
    std::vector<ButtonPush> pushes;
    for (const std::string& push : options.pushes) pushes.push_back(ParsePush(push));

    host::LoadedBars loaded = LoadBars(options.barsPath);
    RunOutcome outcome;
    outcome.barsSource = options.barsPath.empty() ? "embedded sample" : options.barsPath;
    if (loaded.badRangeBars > 0)
        Warn(fmt::format("{}: {} bar(s) have a high below their low, open or close", outcome.barsSource,
                         loaded.badRangeBars));
    outcome.library = LoadLibrary(options.studyPath);

    host::SessionOptions session;
    session.studyIdentifier = options.studyIdentifier;
    session.valueFormat = options.valueFormat.value_or(std::clamp(loaded.priceDecimals, 0, 9));
    session.tickSize = host::SmallestPriceStep(loaded.bars, std::clamp(loaded.priceDecimals, 0, 9));
    outcome.session =
        std::make_unique<host::ChartSession>(std::move(loaded.bars), outcome.library->studyFunction(), session);

    const host::StudySettings settings = SettingsOf(options);
    try {
        outcome.session->Start(settings);
    } catch (const host::SettingsError& error) {
        throw RefusedSetting(options, error);
    }
    outcome.session->PlayTicks(options.ticks, options.seed);
    for (const ButtonPush& push : pushes) outcome.session->Push(push.button, push.kind);
    for (const std::string& warning : outcome.session->warnings()) Warn(warning);
    return outcome;
}

}  // namespace kovra::app
