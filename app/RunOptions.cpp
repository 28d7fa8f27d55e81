#include "app/RunOptions.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "app/Commands.h"
#include "app/OptionValues.h"
#include "host/bars/BarAggregator.h"
#include "host/bars/BarsCsv.h"
#include "host/bars/SampleBars.h"
#include "host/runtime/StudyInstance.h"
#include "host/text/WallClock.h"

namespace kovra::app {

namespace {

// Each update is a study call, and one in eight adds a bar: 10^8 updates add
// about 12 million bars, some gigabytes with the study's series.
constexpr int64_t kMaxTicks = 100'000'000;

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
                            button <= host::ControlBar::kSlotCount;
    if (!goodNumber || (state != "on" && state != "off"))
        throw UsageError(fmt::format("--push \"{}\": expected N, N:on or N:off with N from 1 to {}", push,
                                     host::ControlBar::kSlotCount));
    return {button, state == "on" ? kButtonPushedOn : kButtonPushedOff};
}

}  // namespace

host::LoadedBars LoadBars(const RunOptions& options, Progress& progress) {
    if (options.barsPath.empty()) return host::SampleBars();
    host::BarsLoadOptions load = BarsLoadOptionsOf(options);
    load.progress = [&progress](size_t done, size_t total) {
        progress.Update("loading bars", static_cast<int64_t>(done), static_cast<int64_t>(total));
    };
    try {
        return host::LoadBarsCsv(options.barsPath, load);
    } catch (const host::BarsLoadError& error) {
        throw CommandFailure(error.what(), kExitUsage);
    }
}

std::unique_ptr<host::StudyLibrary> LoadLibrary(const std::string& path) {
    try {
        return std::make_unique<host::StudyLibrary>(path);
    } catch (const host::StudyLoadError& error) {
        throw CommandFailure(error.what(), kExitUsage);
    }
}

namespace {

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

}  // namespace

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

host::ChartSetup ChartSetupOf(const RunOptions& options) {
    host::ChartSetup setup;
    setup.settings = SettingsOf(options);
    setup.valueFormat = options.valueFormat;
    setup.studyIdentifier = options.studyIdentifier;
    if (options.timeframe) setup.timeframe.emplace(*options.timeframe, options.dayStart.value_or(0));
    return setup;
}

UsageError RefusedSetting(const RunOptions& options, const host::SettingsError& error) {
    const bool input = error.kind == host::SettingsError::Kind::kInput;
    const std::string& written = input ? options.inputSettings[error.index] : options.subgraphSettings[error.index];
    return UsageError(fmt::format("{} \"{}\": {}", input ? "--set" : "--subgraph", written, error.what()));
}

namespace {

host::BarColumns LastBars(host::BarColumns bars, int32_t count) {
    if (count <= 0 || bars.size() <= count) return bars;
    return bars.Slice(bars.size() - count, bars.size());
}

void Warn(const std::string& message) { std::fprintf(stderr, "kovra: warning: %s\n", message.c_str()); }

// A timeframe the bars do not fit is the user's to change.
UsageError TimeframeRefused(const host::TimeframeError& error) {
    return UsageError(std::string("--timeframe: ") + error.what());
}

void CheckTimeframe(const host::BarColumns& bars, const host::TimeframeBuckets& timeframe) {
    try {
        host::CheckTimeframeFits(bars, timeframe);
    } catch (const host::TimeframeError& error) {
        throw TimeframeRefused(error);
    }
}

}  // namespace

void AddBarFileOptions(CLI::App& command, RunOptions& options) {
    command
        .add_option_function<std::string>(
            "--timezone",
            [&options](const std::string& name) {
                if (name.empty())
                    throw CLI::ValidationError("--timezone",
                                               "an empty name is no time zone (leave the option out for UTC)");
                options.timeZone = name;
            },
            "Show the bar file's instants (a Z or UTC offset suffix, epoch numbers) in this time zone's "
            "wall clock, an IANA name such as America/New_York; default: UTC")
        ->type_name("NAME");
    command
        .add_option_function<std::string>(
            "--date-order",
            [&options](const std::string& order) {
                if (order == "mdy")
                    options.dateOrder = host::DateOrder::kMonthFirst;
                else if (order == "dmy")
                    options.dateOrder = host::DateOrder::kDayFirst;
                else
                    throw CLI::ValidationError("--date-order", "'" + order + "' is neither mdy nor dmy");
            },
            "How dates written A/B/YYYY read: mdy (month first) or dmy (day first); default: from the data")
        ->type_name("mdy|dmy");
}

void AddStudyOptions(CLI::App& command, RunOptions& options) {
    command
        .add_option("--set", options.inputSettings,
                    "Set an input as the settings dialog does: \"INPUT NAME=VALUE\", VALUE a list item's text "
                    "or yes/no (repeatable)")
        ->type_name("\"INPUT NAME=VALUE\"")
        ->allow_extra_args(false);
    command
        .add_option("--subgraph", options.subgraphSettings,
                    "Set a subgraph field: \"NAME.FIELD=VALUE\", NAME a subgraph's name or #POSITION (repeatable)")
        ->type_name("\"NAME.FIELD=VALUE\"")
        ->allow_extra_args(false);
    command
        .add_option_function<std::string>(
            "--value-format",
            [&options](const std::string& text) {
                options.valueFormat =
                    static_cast<int32_t>(ParseWholeNumber("--value-format", text, 0, host::kMaxPriceDecimals));
            },
            "Decimal places of price texts (0 to 9); default: the most the bar prices use")
        ->type_name("N");
    AddFileOption(command, "--study", options.studyPath,
                  "Study library to load (default: the one installed with kovra, or built beside it); a name "
                  "without a folder is taken from the current folder",
                  "PATH");
}

void AddTimeframeOptions(CLI::App& command, RunOptions& options) {
    const auto parsed = [](const char* option, auto parse) {
        try {
            return parse();
        } catch (const host::TimeframeError& error) {
            throw CLI::ValidationError(option, error.what());
        }
    };
    command
        .add_option_function<std::string>(
            "--timeframe",
            [&options, parsed](const std::string& text) {
                options.timeframe = parsed("--timeframe", [&text] { return host::ParseTimeframe(text); });
            },
            "Show the bars in this timeframe: N seconds, minutes, hours, days, weeks or calendar months, e.g. "
            "30s, 5m, 4h, 1d, 1w, 1M (or 1mo); default: the bars as the file has them")
        ->type_name("TF");
    command
        .add_option_function<std::string>(
            "--day-start",
            [&options, parsed](const std::string& text) {
                options.dayStart = parsed("--day-start", [&text] { return host::ParseDayStart(text); });
            },
            "The time the timeframe's days start at, in the bars' clock (from 12:00 on, the evening before); "
            "default 00:00")
        ->type_name("HH:MM");
}

void AddRunOptions(CLI::App& command, RunOptions& options) {
    AddFileOption(command, "--bars", options.barsPath,
                  "Bars to load (a delimited text file with a header row); default: the embedded sample bars");
    AddBarFileOptions(command, options);
    AddStudyOptions(command, options);
    AddTimeframeOptions(command, options);
    AddWholeNumberOption(command, "--ticks", options.ticks, 0, kMaxTicks,
                         "Real-time price updates to play after the recalculation (default 0)");
    command
        .add_option_function<std::string>(
            "--seed", [&options](const std::string& text) { options.seed = ParseUnsigned64("--seed", text); },
            "Seed of the real-time price walk (0 to 18446744073709551615; default 1)")
        ->type_name("S");
    command
        .add_option("--push", options.pushes,
                    "Click control-bar button N (N, N:on or N:off), after the ticks, in order (repeatable)")
        ->type_name("N[:on|:off]")
        ->allow_extra_args(false);
    AddWholeNumberOption(command, "--study-id", options.studyIdentifier, 1, std::numeric_limits<int32_t>::max(),
                         "The study instance's identifier on the chart (default 1)");
    command.add_flag("--quiet", options.quiet, "Print no summary and no progress");
}

host::BarsLoadOptions BarsLoadOptionsOf(const RunOptions& options) {
    host::BarsLoadOptions load;
    load.timeZone = options.timeZone;
    load.dateOrder = options.dateOrder;
    return load;
}

void CheckRunOptions(const RunOptions& options) {
    try {
        host::WallClock check(options.timeZone);
    } catch (const host::UnknownTimeZone& error) {
        throw UsageError(std::string("--timezone: ") + error.what());
    }
    if (options.dayStart && !options.timeframe) throw UsageError("--day-start needs --timeframe");
}

std::string StudyLibraryPath(const RunOptions& options) {
    return options.studyPath.empty() ? host::DefaultStudyLibraryPath() : options.studyPath;
}

RunOutcome RunSession(const RunOptions& options, Progress& progress, const SessionBars* sessionBars) {
    std::vector<ButtonPush> pushes;
    for (const std::string& push : options.pushes) pushes.push_back(ParsePush(push));
    CheckRunOptions(options);

    host::LoadedBars loaded = LoadBars(options, progress);
    progress.Clear();
    const host::ChartSetup setup = ChartSetupOf(options);
    RunOutcome outcome;
    if (sessionBars != nullptr) {
        outcome.bars = LastBars(std::move(loaded.bars), sessionBars->maxBars);
        // The chart starts with some of them; all of them must fit the timeframe.
        if (setup.timeframe) CheckTimeframe(outcome.bars, *setup.timeframe);
        const int32_t count = outcome.bars.size();
        const int32_t shown = sessionBars->shownBars.value_or(count);
        if (shown < 1 || shown > count)
            throw UsageError(fmt::format("{} {}: the chart has {} bars; choose 1 to {}", sessionBars->shownOption,
                                         shown, count, count));
        loaded.bars = outcome.bars.Slice(0, shown);
    }
    outcome.barsSource = options.barsPath.empty() ? "embedded sample" : options.barsPath;
    outcome.barsReversed = loaded.reversed;
    outcome.barsNumberMarks = loaded.numberMarks;
    outcome.barsBytes = loaded.textBytes;
    outcome.library = LoadLibrary(StudyLibraryPath(options));

    host::SessionOptions session = host::SessionOptionsFor(loaded, setup);
    session.progress = [&progress](std::string_view stage, int64_t done, int64_t total) {
        progress.Update(stage, done, total);
    };
    try {
        outcome.session =
            std::make_unique<host::ChartSession>(std::move(loaded.bars), outcome.library->studyFunction(), session);
    } catch (const host::TimeframeError& error) {
        throw TimeframeRefused(error);
    }

    try {
        outcome.session->Start(setup.settings);
    } catch (const host::SettingsError& error) {
        throw RefusedSetting(options, error);
    }
    progress.Clear();
    outcome.session->PlayTicks(options.ticks, options.seed);
    progress.Clear();
    for (const ButtonPush& push : pushes) outcome.session->Push(push.button, push.kind);
    for (const std::string& warning : outcome.session->warnings()) Warn(warning);
    return outcome;
}

}  // namespace kovra::app
