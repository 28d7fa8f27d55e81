// A workspace: many instruments, each a bar file with its own chart and
// instance of the study (the library is loaded once and shared: the study
// keeps nothing of its own between calls), their watchlist rows (the fields
// of `kovra scan`), alerts when a close crosses a level line, and each
// instrument's settings and alert choice kept in a WorkspaceStore.
//
// Threads: one thread owns a Workspace and its store (a server's engine
// thread) and makes every call; nothing in them is shared with another
// thread and there is no global state. Only opening uses more threads: the
// constructor runs the instruments' first recalculations on `jobs` workers
// and returns when they are done. Every call works on the one instrument it
// names, so a new bar costs that instrument only. What the calls return are
// values the owning thread may copy out to other threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/ChartSetup.h"
#include "host/scan/ScanFiles.h"
#include "host/scan/ScanRow.h"
#include "host/workspace/CrossingAlerts.h"
#include "host/workspace/WorkspaceStore.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

// An instrument's position in Workspace::instruments(), for the workspace's life.
using InstrumentId = size_t;

enum class InstrumentStatus {
    kReady,    // its chart runs
    kFailed,   // its file gave no chart: the row holds the one-line error
    kRemoved,  // its file is gone from the folder; the chart stays as it last was
};

class Instrument {
public:
    const std::string& name() const { return row_.instrument; }  // the file's name without ".csv"
    const std::string& path() const { return row_.file; }
    InstrumentStatus status() const { return status_; }
    // The watchlist row: `kovra scan`'s fields from the last bar, recomputed
    // after every change; its error for a failed instrument, and the warnings
    // about its file or its saved settings.
    const ScanRow& row() const { return row_; }
    // Null for a failed instrument.
    const ChartSession* chart() const { return chart_.get(); }
    const AlertLines& alertLines() const { return alertLines_; }
    // The timeframe it was last shown in, as `--timeframe` writes it; empty:
    // never chosen, or the bars as the file has them.
    const std::string& savedTimeframe() const { return timeframe_; }
    // The bytes of its file the chart was loaded from: following the file
    // goes on from there.
    size_t loadedBytes() const { return loadedBytes_; }

private:
    friend class Workspace;
    std::string problem_;  // why it has no chart whatever its file holds (a name taken, a folder unreadable)
    ScanRow row_;
    InstrumentStatus status_ = InstrumentStatus::kFailed;
    std::unique_ptr<ChartSession> chart_;
    AlertLines alertLines_;
    std::string timeframe_;
    size_t loadedBytes_ = 0;
    CrossingAlerts crossings_;
};

struct WorkspaceOptions {
    BarsLoadOptions bars;  // how every file reads (time zone, date order); progress is never called
    // Every chart's setup: the command line's settings come first, then each
    // instrument's saved ones; the decimals of price texts; the study's identifier.
    ChartSetup chart;
    int32_t jobs = 1;  // threads that open instruments at once, 1 or more
    // Told each warning, one line without "kovra: ", on the owning thread.
    std::function<void(const std::string&)> warn;
};

// A request the workspace refuses (an unknown line name, an instrument
// without a chart): one line naming what is wrong.
struct WorkspaceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What new bars of one instrument did.
struct BarsTaken {
    std::vector<Alert> alerts;  // raised, recorded in the store (event numbers given), in order
    int32_t refused = 0;        // bars older than the last bar, skipped (and told through warn)
};

struct FolderChanges {
    std::vector<InstrumentId> added;     // files new since the last look
    std::vector<InstrumentId> removed;   // files gone (marked kRemoved)
    std::vector<InstrumentId> reloaded;  // removed files that came back, loaded anew
};

class Workspace {
public:
    // Opens every bar file `sources` name (files as given; folders' ".csv"
    // files, as `kovra scan` lists them) as an instrument, restoring each
    // one's saved inputs, subgraph edits and alert choice from `store`, which
    // outlives the workspace. A file that fails becomes a failed instrument;
    // the others go on. A second file giving a name already taken fails with
    // an error naming both, and is named by its path instead.
    Workspace(StudyFunction study, std::vector<std::string> sources, WorkspaceOptions options, WorkspaceStore& store);
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // References into these stay valid until the next Rescan (which may add
    // instruments); ids stay valid for the workspace's life.
    const std::vector<Instrument>& instruments() const { return instruments_; }
    const Instrument& instrument(InstrumentId id) const { return instruments_.at(id); }
    std::optional<InstrumentId> Find(std::string_view name) const;

    // Bars read from the instrument's file as it grows, in file order: one
    // with the last bar's date-time revises it, a later one is appended, an
    // older one is refused. After each bar its crossings may raise alerts
    // (host/workspace/CrossingAlerts.h); the row is recomputed once. Nothing
    // happens to an instrument that is not ready.
    BarsTaken TakeBars(InstrumentId id, const std::vector<Bar>& bars);

    // The settings dialog's edits, then a full recalculation; the inputs in
    // force and the subgraph edits are saved. Throws SettingsError for a
    // refused edit (those before it stay applied and saved) and
    // WorkspaceError for an instrument that is not ready.
    void ChangeSettings(InstrumentId id, const StudySettings& settings);
    // A click on a control-bar button (kButtonPushedOn or kButtonPushedOff);
    // the inputs in force are saved. Throws WorkspaceError as above.
    void Push(InstrumentId id, int32_t button, int32_t kind);

    // A server's engine keeps the source bars of every chart, and replaces a
    // chart's bars (a replay started over, a file read again) or its
    // timeframe itself, through the session, then says so: what the last
    // bar has crossed counts as alerted, the row is recomputed, a timeframe
    // is saved. Throws WorkspaceError for an instrument that is not ready.
    ChartSession& Chart(InstrumentId id);
    void BarsReplaced(InstrumentId id);
    void TimeframeChanged(InstrumentId id, const std::string& timeframe);

    // The names of the lines an instrument's alerts may choose from, highest first.
    std::vector<std::string> LineNames(InstrumentId id) const;
    // Which lines raise the instrument's alerts, saved. Throws WorkspaceError
    // for a name not among LineNames(id).
    void ChooseAlertLines(InstrumentId id, AlertLines lines);

    // Lists the sources again: new files are opened and added, files gone
    // are marked removed, removed files that are back are loaded anew.
    FolderChanges Rescan();
    // Reads the instrument's file again from the start (a file rewritten, or
    // one that failed and may now load).
    void Reload(InstrumentId id);

private:
    Instrument& Add(const ScanFile& file);
    void Open(Instrument& instrument, const SavedInstrument& saved) const;
    void Settle(Instrument& instrument);
    void Recalculated(Instrument& instrument);
    static void UpdateRow(Instrument& instrument);
    Instrument& Ready(InstrumentId id);
    void SaveInputs(const Instrument& instrument);
    void Warn(const std::string& message) const;
    void WarnOnNewStoreProblem();

    StudyFunction study_;
    std::vector<std::string> sources_;
    WorkspaceOptions options_;
    WorkspaceStore& store_;
    std::vector<Instrument> instruments_;
    std::string storeProblem_;  // the store's problem last told
};

}  // namespace kovra::host
