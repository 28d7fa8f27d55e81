// The options `kovra run` and `kovra buttons` share, and the session they
// both drive: load bars and study, apply the settings, recalculate, play
// ticks, push buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/Progress.h"
#include "host/bars/BarsCsv.h"
#include "host/bars/Timeframe.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/ChartSetup.h"
#include "host/runtime/StudyLibrary.h"
#include "host/text/DateTimeText.h"

namespace CLI {
class App;
}

namespace kovra::app {

struct RunOptions {
    std::string barsPath;                       // empty: the embedded sample bars
    std::string timeZone;                       // wall clock of instants in the bar file; empty: UTC
    std::optional<host::DateOrder> dateOrder;   // how A/B/YYYY dates read; unset: from the data
    std::optional<host::Timeframe> timeframe;   // unset: the bars as the file has them
    std::optional<int64_t> dayStart;            // microseconds after midnight; unset: midnight
    std::string studyPath;                      // empty: the library built beside kovra
    std::vector<std::string> inputSettings;     // "INPUT NAME=VALUE"
    std::vector<std::string> subgraphSettings;  // "NAME.FIELD=VALUE", NAME may be #POSITION
    std::optional<int32_t> valueFormat;         // unset: derived from the prices' decimals
    int64_t ticks = 0;
    uint64_t seed = 1;
    std::vector<std::string> pushes;  // "N", "N:on" or "N:off"
    int32_t studyIdentifier = 1;
    bool quiet = false;
};

// Declares the shared options on `command`, storing into `options` (which
// must outlive the parse).
void AddRunOptions(CLI::App& command, RunOptions& options);
// Parts of them `kovra scan` takes too: how bar files read (--timezone,
// --date-order), and the study (--set, --subgraph, --value-format, --study).
void AddBarFileOptions(CLI::App& command, RunOptions& options);
void AddStudyOptions(CLI::App& command, RunOptions& options);
// The chart's timeframe (--timeframe, --day-start), for every command that runs charts.
void AddTimeframeOptions(CLI::App& command, RunOptions& options);

// How the bar files read, as --timezone and --date-order say.
host::BarsLoadOptions BarsLoadOptionsOf(const RunOptions& options);
// The bars of --bars, or the embedded sample's. Throws CommandFailure(kExitUsage)
// for a bad bar file.
host::LoadedBars LoadBars(const RunOptions& options, Progress& progress);
// The study library at `path` (see StudyLibraryPath). Throws
// CommandFailure(kExitUsage) when it does not load.
std::unique_ptr<host::StudyLibrary> LoadLibrary(const std::string& path);
// The --set and --subgraph options as the settings dialog's edits. Throws
// UsageError for one not written as "NAME=VALUE".
host::StudySettings SettingsOf(const RunOptions& options);
// The charts' setup the options ask for: SettingsOf, --value-format, --study-id, --timeframe.
host::ChartSetup ChartSetupOf(const RunOptions& options);
// A setting the dialog refused, as the user wrote it.
UsageError RefusedSetting(const RunOptions& options, const host::SettingsError& error);

// Which of the loaded bars the chart starts with (`kovra serve`).
struct SessionBars {
    int32_t maxBars = 0;               // only the last maxBars of the file (0: all)
    std::optional<int32_t> shownBars;  // the chart starts with the first shownBars of them (1 .. count)
    const char* shownOption = "";      // the option that asked for shownBars, for its usage error
};

// A finished run. The library outlives the session that calls into it.
struct RunOutcome {
    std::unique_ptr<host::StudyLibrary> library;
    std::unique_ptr<host::ChartSession> session;
    std::string barsSource;                            // the bar file, or "embedded sample"
    bool barsReversed = false;                         // the file had them newest first
    std::optional<host::NumberMarks> barsNumberMarks;  // the decimal mark the file's numbers showed
    size_t barsBytes = 0;                              // of the bar file, as read
    host::BarColumns bars;  // with SessionBars: every bar kept, also those the chart does not show yet
};

// Checks what can be checked before any work (the time zone, a day start
// without a timeframe); throws UsageError.
void CheckRunOptions(const RunOptions& options);
// The study library a run loads: --study (a bare name is taken in the current
// folder, never from the system's library path) or the one built beside kovra.
std::string StudyLibraryPath(const RunOptions& options);

// Loads, configures and drives the session. Throws UsageError for a bad
// setting or a timeframe the bars refuse, CommandFailure(kExitUsage) for a
// bad bar file or study library.
// Warnings (inconsistent bars, a stopped recalculation loop) go to stderr.
RunOutcome RunSession(const RunOptions& options, Progress& progress, const SessionBars* sessionBars = nullptr);

}  // namespace kovra::app
