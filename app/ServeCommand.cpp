// kovra serve: the chart live in a browser. Runs the session as `kovra run`
// does (or, given bar files and folders, a workspace of them, one chart per
// file), then serves the page on 127.0.0.1 until SIGINT or SIGTERM.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/Commands.h"
#include "app/OptionValues.h"
#include "app/Progress.h"
#include "app/RunOptions.h"
#include "host/bars/BarsCsv.h"
#include "host/render/ChartFont.h"
#include "host/serve/ChartEngine.h"
#include "host/serve/PageServer.h"
#include "host/serve/WorkspaceEngine.h"

namespace kovra::app {

namespace {

struct ServeOptions {
    RunOptions run;
    int port = 0;
    std::optional<int32_t> replayFrom;
    double speed = 4;
    bool follow = false;
    int32_t maxBars = 0;
    std::vector<std::string> sources;  // a workspace's bar files and folders; none: one chart
    std::string statePath;             // the workspace's state file; empty: the default
};

void Warn(const std::string& message) { std::fprintf(stderr, "kovra: warning: %s\n", message.c_str()); }

// The signals that end the server, blocked in every thread so that only the
// waiting main thread takes them.
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// Serves until SIGINT or SIGTERM; `Engine` has the page server's address printed first.
template <typename Engine>
void ServeUntilStopped(Engine& engine, int port, const std::function<void()>& started) {
    std::unique_ptr<host::PageServer> server;
    try {
        server = std::make_unique<host::PageServer>(engine, port);
    } catch (const std::runtime_error& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }
    std::printf("http://127.0.0.1:%d/\n", server->port());
    std::fflush(stdout);
    started();
    server->Start();

    const sigset_t signals = StopSignals();
    int signal = 0;
    sigwait(&signals, &signal);
    server->Stop();
    engine.Stop();
    host::ReleaseFontCaches();
}

// The state file beside the first folder of the sources, or else the first file's.
std::string DefaultStatePath(const std::vector<std::string>& sources) {
    for (const std::string& source : sources)
        if (std::filesystem::is_directory(source)) return host::WorkspaceStore::DefaultPath(source);
    const std::filesystem::path folder = std::filesystem::path(sources.front()).parent_path();
    return host::WorkspaceStore::DefaultPath(folder.empty() ? "." : folder.string());
}

void ServeWorkspace(const ServeOptions& options) {
    const RunOptions& run = options.run;
    if (!run.barsPath.empty()) throw UsageError("give bar files and folders, or --bars FILE, not both");
    if (run.ticks > 0 || !run.pushes.empty())
        throw UsageError("--ticks and --push play on one chart (--bars FILE), not on a workspace");
    CheckRunOptions(run);
    host::WorkspaceSetup setup;
    setup.library = LoadLibrary(StudyLibraryPath(run));
    setup.sources = options.sources;
    setup.options.bars = BarsLoadOptionsOf(run);
    setup.options.chart = ChartSetupOf(run);
    setup.options.chart.timeframe.reset();  // each chart is shown in its timeframe from the file's bars
    setup.options.jobs = static_cast<int32_t>(std::max(1U, std::thread::hardware_concurrency()));
    setup.options.warn = Warn;
    setup.statePath = options.statePath.empty() ? DefaultStatePath(options.sources) : options.statePath;
    setup.replayFrom = options.replayFrom;
    setup.speed = options.speed;
    setup.maxBars = options.maxBars;
    setup.follow = options.follow;
    setup.timeframe = run.timeframe;
    setup.dayStart = run.dayStart.value_or(0);
    setup.alerted = [](const host::Alert& alert) {
        std::fputs(host::AlertJsonLine(alert).c_str(), stdout);
        std::fflush(stdout);
    };

    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    host::WorkspaceEngine engine(std::move(setup));
    ServeUntilStopped(engine, options.port, [&engine] { engine.Start(); });
}

void Serve(const ServeOptions& options) {
    if (!options.sources.empty()) return ServeWorkspace(options);
    if (!options.statePath.empty()) throw UsageError("--state keeps a workspace's state: give bar files or folders");
    if (options.follow && options.run.barsPath.empty())
        throw UsageError("--follow needs a bar file (--bars FILE) or bar files and folders to follow");
    SessionBars bars{options.maxBars, options.replayFrom, "--replay-from"};
    RunOutcome outcome;
    {
        Progress progress(!options.run.quiet);
        outcome = RunSession(options.run, progress, &bars);
    }

    host::EngineSetup setup;
    setup.library = std::move(outcome.library);
    setup.session = std::move(outcome.session);
    setup.bars = std::move(outcome.bars);
    setup.playing = options.replayFrom.has_value();
    setup.speed = options.speed;
    setup.maxBars = options.maxBars;
    setup.timeframe = options.run.timeframe;
    setup.dayStart = options.run.dayStart.value_or(0);
    setup.warn = Warn;
    if (options.follow) {
        try {
            host::BarsLoadOptions load = BarsLoadOptionsOf(options.run);
            load.numberMarks = outcome.barsNumberMarks;  // appended lines read as the file was
            setup.followed =
                std::make_unique<host::FollowedFile>(options.run.barsPath, Warn, std::move(load), outcome.barsBytes);
        } catch (const host::BarsLoadError& error) {
            throw CommandFailure(error.what(), kExitFailure);
        }
    }

    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    host::ChartEngine engine(std::move(setup));
    ServeUntilStopped(engine, options.port, [] {});
}

}  // namespace

void AddServeCommand(CLI::App& root, int& exitCode) {
    CLI::App* command =
        root.add_subcommand("serve",
                            "Run the study as `kovra run` does and show the live chart in a browser: prints the page's "
                            "address (127.0.0.1 only) and serves it until interrupted. Given bar files and folders, "
                            "a workspace: one chart per file, a watchlist, alerts on standard output");
    auto options = std::make_shared<ServeOptions>();
    AddRunOptions(*command, options->run);
    command->add_option("--port", options->port, "Port on 127.0.0.1 (default 0: any free port)")
        ->type_name("N")
        ->check(CLI::Range(0, 65535));
    command
        ->add_option_function<int32_t>(
            "--replay-from", [options](const int32_t& bar) { options->replayFrom = bar; },
            "Replay: the chart starts with the bars before bar BAR, and the rest arrive one at a time")
        ->type_name("BAR");
    command
        ->add_option_function<std::string>(
            "--speed",
            [options](const std::string& text) {
                options->speed = ParseFiniteNumber("--speed", text, host::kMinReplaySpeed, host::kMaxReplaySpeed);
            },
            "Replay speed in bars per second (0.1 to 1000; default 4)")
        ->type_name("BARS_PER_SECOND");
    command->add_flag("--follow", options->follow,
                      "Watch the bar file: appended lines become new bars, or update the last bar when they "
                      "carry its date-time");
    command
        ->add_option("--max-bars", options->maxBars,
                     "The chart keeps at most N bars: the file's last N, dropping the oldest as new ones arrive "
                     "(default: no limit)")
        ->type_name("N")
        ->check(CLI::Range(1, std::numeric_limits<int32_t>::max()));
    command
        ->add_option("SOURCE", options->sources,
                     "A workspace: bar files, and folders of them (their .csv files), one chart each")
        ->type_name("FILE_OR_FOLDER");
    command
        ->add_option("--state", options->statePath,
                     "A workspace's state file (settings, alert choices, alerts; default "
                     "FOLDER/.kovra/workspace.sqlite3 beside the first folder or file)")
        ->type_name("FILE");
    command->callback([options, &exitCode] {
        Serve(*options);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
