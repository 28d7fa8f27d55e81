// kovra check: holds a study library to the rules of the record, check by
// check, each in a child process of its own, and tells which hold.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/OptionValues.h"
#include "app/Progress.h"
#include "app/RunOptions.h"
#include "app/StandardOutput.h"
#include "host/check/CheckCatalogue.h"
#include "host/check/CheckReport.h"

namespace kovra::app {

namespace {

constexpr int32_t kMaxTimeLimitSeconds = 3600;

struct CheckCommandOptions {
    RunOptions run;  // --bars, --timezone, --date-order
    std::string library;
    int32_t strictness = host::kHighestStrictness;
    std::string format = "text";
    std::vector<std::string> only;
    int32_t timeLimitSeconds = 30;
};

std::string CheckNames() {
    std::string names;
    for (const host::CheckEntry& check : host::CheckCatalogue())
        names += (names.empty() ? "" : ", ") + std::string(check.name);
    return names;
}

int Check(const CheckCommandOptions& options) {
    for (const std::string& name : options.only)
        if (host::FindCheck(name) == nullptr)
            throw UsageError(fmt::format("--only \"{}\": no such check; the checks are {}", name, CheckNames()));
    CheckRunOptions(options.run);
    Progress noProgress(false);
    const host::LoadedBars loaded = LoadBars(options.run, noProgress);
    if (loaded.bars.size() == 0)
        throw UsageError(fmt::format("--bars {}: the file holds no bars", options.run.barsPath));

    host::CheckContext context;
    context.libraryPath = options.library;
    context.strictness = options.strictness;
    context.charts = host::CheckChartsOf(loaded);
    context.timeLimit = std::chrono::seconds(options.timeLimitSeconds);
    std::vector<host::CheckRow> rows;
    try {
        rows = host::RunCheckCatalogue(context, options.only);
    } catch (const host::NotAStudyLibrary& error) {
        throw UsageError(error.what());
    }
    const host::CheckRunSummary summary{options.library, options.strictness, rows};
    WriteStandardOutput(options.format == "json" ? host::FormatCheckJson(summary) : host::FormatCheckTable(summary));
    return host::AnyCheckFailed(rows) ? kExitFailure : kExitOk;
}

}  // namespace

void AddCheckCommand(CLI::App& root, int& exitCode) {
    CLI::App* command = root.add_subcommand(
        "check",
        "Hold a study library to the rules of the record: a catalogue of named checks, each run in a "
        "child process of its own with a time limit (exit 0 all pass, 1 one fails, 2 usage error)");
    auto options = std::make_shared<CheckCommandOptions>();
    command->add_option("library", options->library, "The study library to check")->type_name("LIBRARY")->required();
    AddWholeNumberOption(*command, "--strictness", options->strictness, host::kLowestStrictness,
                         host::kHighestStrictness,
                         "Run the checks up to this strictness, 1 to 10 (default 10: every check, the speed budget "
                         "tightest)");
    command->add_option("--format", options->format, "Output: text (default) or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"text", "json"}));
    AddFileOption(*command, "--bars", options->run.barsPath,
                  fmt::format("Run the checks on the first {} bars of this file and the speed check on all of them "
                              "(default: the embedded sample bars)",
                              host::kOrdinaryBars));
    AddBarFileOptions(*command, options->run);
    command->add_option("--only", options->only, "Run only these checks, by name, separated by commas")
        ->type_name("NAME,...")
        ->delimiter(',');
    AddWholeNumberOption(*command, "--time-limit", options->timeLimitSeconds, 1, kMaxTimeLimitSeconds,
                         "Seconds each check may take before it is stopped and failed (default 30)");
    command->callback([options, &exitCode] { exitCode = Check(*options); });
}

}  // namespace kovra::app
