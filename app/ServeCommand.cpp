// kovra serve: the chart live in a browser. Runs the session as `kovra run`
// does, then serves the page on 127.0.0.1 until SIGINT or SIGTERM.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/Commands.h"
#include "app/OptionValues.h"
#include "app/Progress.h"
#include "app/RunOptions.h"
#include "host/bars/BarsCsv.h"
#include "host/render/ChartFont.h"
#include "host/serve/ChartEngine.h"
#include "host/serve/PageServer.h"

namespace kovra::app {

namespace {

struct ServeOptions {
    RunOptions run;
    int port = 0;
    std::optional<int32_t> replayFrom;
    double speed = 4;
    bool follow = false;
    int32_t maxBars = 0;
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

void Serve(const ServeOptions& options) {
    if (options.follow && options.run.barsPath.empty())
        throw UsageError("--follow needs a bar file (--bars FILE) to follow");
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
            setup.followed = std::make_unique<host::FollowedFile>(options.run.barsPath, Warn, std::move(load));
        } catch (const host::BarsLoadError& error) {
            throw CommandFailure(error.what(), kExitFailure);
        }
    }

    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    host::ChartEngine engine(std::move(setup));
    std::unique_ptr<host::PageServer> server;
    try {
        server = std::make_unique<host::PageServer>(engine, options.port);
    } catch (const std::runtime_error& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }
    server->Start();
    std::printf("http://127.0.0.1:%d/\n", server->port());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&signals, &signal);
    server->Stop();
    engine.Stop();
    host::ReleaseFontCaches();
}

}  // namespace

void AddServeCommand(CLI::App& root, int& exitCode) {
    CLI::App* command =
        root.add_subcommand("serve",
                            "Run the study as `kovra run` does and show the live chart in a browser: prints the page's "
                            "address (127.0.0.1 only) and serves it until interrupted");
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
    command->callback([options, &exitCode] {
        Serve(*options);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
