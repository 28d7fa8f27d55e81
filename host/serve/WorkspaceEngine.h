// The one thread that owns a workspace while `kovra serve` shows many
// instruments: every instrument's chart runs as EngineChart runs the one
// chart of a single-chart server (its replay, followed file, timeframe and
// pages), through the workspace, which raises its alerts, recomputes its
// watchlist row and keeps its settings. The workspace's own event hub tells
// the pages of every changed row and every alert.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "host/runtime/StudyLibrary.h"
#include "host/serve/ChartRequests.h"
#include "host/serve/EngineChart.h"
#include "host/serve/EngineCore.h"
#include "host/workspace/Workspace.h"
#include "host/workspace/WorkspaceStore.h"

namespace kovra::host {

struct WorkspaceSetup {
    std::unique_ptr<StudyLibrary> library;
    std::vector<std::string> sources;  // bar files and folders of them
    WorkspaceOptions options;          // how they read, every chart's setup (no timeframe), opening threads, warn
    std::string statePath;             // the state file
    // Every instrument's chart, as for one chart: a replay from this bar
    // (or the instrument's last, for a shorter file), its speed, a bound on
    // bars, the file followed (and the folders looked at again for files
    // that appear or go), the timeframe of an instrument that saved none.
    std::optional<int32_t> replayFrom;
    double speed = 1;
    int32_t maxBars = 0;
    bool follow = false;
    std::optional<Timeframe> timeframe;
    int64_t dayStart = 0;
    // Each alert, once recorded, on the engine thread (standard output's JSON line).
    std::function<void(const Alert&)> alerted;
};

class WorkspaceEngine : private EngineCore {
public:
    // Opens every instrument (their first recalculations on the workspace's
    // threads); nothing runs until Start.
    explicit WorkspaceEngine(WorkspaceSetup setup);
    ~WorkspaceEngine();  // stops
    WorkspaceEngine(const WorkspaceEngine&) = delete;
    WorkspaceEngine& operator=(const WorkspaceEngine&) = delete;

    // Each waits for the engine's reply; 503 when the queue is full or the engine stops.
    EngineReply Instruments();
    EngineReply AlertsAfter(int64_t event);
    // Which lines raise the instrument's alerts: every one (nullopt) or those
    // named; kept in the state file. 400 for a name that is no line, 404 for
    // no such instrument.
    EngineReply ChooseAlertLines(std::string instrument, std::optional<std::vector<std::string>> lines);

    // The chart routes of the instrument so named; null when there is none.
    ChartRequests* Chart(std::string_view instrument);

    // The workspace's changes: "instrument" (a row), "instruments" (some
    // added or gone), "alert".
    EventHub& events() { return hub; }
    const std::string& instance() const { return instanceName; }

    // Starts the engine thread: replays play, files are followed, requests answered.
    void Start();
    // Ends the thread after the request it is handling, and every event stream.
    void Stop();

private:
    struct Served;
    class InstrumentHolder;

    void Run();
    std::optional<EngineChart::Clock::time_point> NextWake() const;
    void RunDue();
    void Serve(InstrumentId id);
    void StartChart(InstrumentId id);
    std::variant<EngineChart*, EngineReply> ChartOf(InstrumentId id);
    void Alerted(const std::vector<Alert>& alerts);
    void PublishInstrument(InstrumentId id);
    void Publish(const char* name, std::string data);

    WorkspaceSetup setup_;
    WorkspaceStore store_;
    Workspace workspace_;
    uint64_t version_ = 1;  // of the workspace's hub
    EngineChart::Clock::time_point nextRescan_{};

    mutable std::mutex servedMutex_;               // served_ grows on the engine thread, is read by HTTP threads
    std::vector<std::unique_ptr<Served>> served_;  // by InstrumentId
    std::thread thread_;
};

}  // namespace kovra::host
