#include "host/serve/WorkspaceEngine.h"

#include <algorithm>

#include <fmt/format.h>

#include "host/serve/WorkspaceJson.h"

namespace kovra::host {

namespace {

constexpr auto kRescanInterval = std::chrono::seconds(1);
constexpr size_t kMaxAlertsAnswered = 1000;

}  // namespace

// An instrument's chart as the engine changes it: through the workspace.
class WorkspaceEngine::InstrumentHolder : public ChartHolder {
public:
    InstrumentHolder(WorkspaceEngine& engine, InstrumentId id) : engine_(engine), id_(id) {}

    ChartSession& session() override { return engine_.workspace_.Chart(id_); }
    void TakeBar(const Bar& bar) override { engine_.Alerted(engine_.workspace_.TakeBars(id_, {bar}).alerts); }
    void Push(int32_t button, int32_t kind) override { engine_.workspace_.Push(id_, button, kind); }
    void ChangeSettings(const StudySettings& settings) override { engine_.workspace_.ChangeSettings(id_, settings); }
    void BarsReplaced() override { engine_.workspace_.BarsReplaced(id_); }
    void TimeframeChanged(const std::optional<Timeframe>& timeframe) override {
        engine_.workspace_.TimeframeChanged(id_, timeframe ? FormatTimeframe(*timeframe) : std::string());
    }

private:
    WorkspaceEngine& engine_;
    InstrumentId id_;
};

struct WorkspaceEngine::Served {
    Served(WorkspaceEngine& engine, InstrumentId id)
        : name(engine.workspace_.instrument(id).name()),
          holder(engine, id),
          requests(
              engine.queue, [&engine, id] { return engine.ChartOf(id); }, hub, engine.instanceName) {}

    const std::string name;  // read by the HTTP threads
    EventHub hub{1};         // outlives every chart the instrument is given
    InstrumentHolder holder;
    std::unique_ptr<EngineChart> chart;  // the engine thread's; null while the instrument has none
    ChartRequests requests;
};

WorkspaceEngine::WorkspaceEngine(WorkspaceSetup setup)
    : setup_(std::move(setup)),
      store_(setup_.statePath),
      workspace_(setup_.library->studyFunction(), setup_.sources, setup_.options, store_) {
    for (InstrumentId id = 0; id < workspace_.instruments().size(); ++id) Serve(id);
}

void WorkspaceEngine::Start() {
    nextRescan_ = EngineChart::Clock::now() + kRescanInterval;
    thread_ = std::thread([this] { Run(); });
}

WorkspaceEngine::~WorkspaceEngine() { Stop(); }

void WorkspaceEngine::Stop() {
    queue.Stop();
    if (thread_.joinable()) thread_.join();
    hub.Stop();
    const std::lock_guard lock(servedMutex_);
    for (const std::unique_ptr<Served>& served : served_) served->hub.Stop();
}

void WorkspaceEngine::Serve(InstrumentId id) {
    {
        const std::lock_guard lock(servedMutex_);
        served_.push_back(std::make_unique<Served>(*this, id));
    }
    StartChart(id);
}

// The instrument's chart as it now stands in the workspace: its bars are the
// source bars (the workspace opens every file as it is), shown in its saved
// timeframe, or else the command line's.
void WorkspaceEngine::StartChart(InstrumentId id) {
    Served& served = *served_[id];
    served.chart.reset();
    const Instrument& instrument = workspace_.instrument(id);
    if (instrument.status() != InstrumentStatus::kReady) return;
    ChartSession& session = workspace_.Chart(id);
    ChartFeed feed;
    feed.barsOnChart = true;
    feed.playing = setup_.replayFrom.has_value();
    feed.speed = setup_.speed;
    feed.maxBars = setup_.maxBars;
    feed.dayStart = setup_.dayStart;
    feed.warn = [this, path = instrument.path()](const std::string& line) {
        setup_.options.warn(fmt::format("{}: {}", path, line));
    };
    if (setup_.follow) {
        try {
            feed.followed = std::make_unique<FollowedFile>(instrument.path(), feed.warn, setup_.options.bars,
                                                           instrument.loadedBytes());
        } catch (const BarsLoadError& error) {
            setup_.options.warn(error.what());
        }
    }
    served.chart = std::make_unique<EngineChart>(served.holder, std::move(feed), served.hub, instanceName);
    served.chart->OnChange([this, id] { PublishInstrument(id); });
    std::optional<Timeframe> timeframe = setup_.timeframe;
    if (!instrument.savedTimeframe().empty()) timeframe = ParseTimeframe(instrument.savedTimeframe());
    if (timeframe) {
        const EngineReply reply = served.chart->ChangeTimeframe(timeframe);
        if (reply.status != 200)
            setup_.options.warn(fmt::format("{}: {}; shown as the file has them", instrument.path(), *reply.body));
    }
    if (setup_.replayFrom) {
        ReplayRequest start;
        start.startBar = std::min(*setup_.replayFrom, session.sourceBars());
        start.action = ReplayRequest::Action::kPlay;
        served.chart->Replay(start);
    }
}

std::variant<EngineChart*, EngineReply> WorkspaceEngine::ChartOf(InstrumentId id) {
    if (EngineChart* chart = served_[id]->chart.get()) return chart;
    const Instrument& instrument = workspace_.instrument(id);
    if (instrument.status() == InstrumentStatus::kRemoved)
        return Refusal(409, fmt::format("{}: its file is gone", instrument.name()));
    return Refusal(409, instrument.row().error);
}

ChartRequests* WorkspaceEngine::Chart(std::string_view instrument) {
    const std::lock_guard lock(servedMutex_);
    for (const std::unique_ptr<Served>& served : served_)
        if (served->name == instrument) return &served->requests;
    return nullptr;
}

void WorkspaceEngine::Run() {
    while (std::optional<EngineQueue::Task> job = queue.Next(NextWake())) {
        if (job->valid()) (*job)();
        RunDue();
    }
}

std::optional<EngineChart::Clock::time_point> WorkspaceEngine::NextWake() const {
    std::optional<EngineChart::Clock::time_point> next;
    if (setup_.follow) next = nextRescan_;
    for (const std::unique_ptr<Served>& served : served_) {
        if (!served->chart) continue;
        const std::optional<EngineChart::Clock::time_point> wake = served->chart->NextWake();
        if (wake) next = next ? std::min(*next, *wake) : *wake;
    }
    return next;
}

// Each chart's replay step and followed lines, and with --follow the folders
// looked at again: new files are served, gone ones keep their row.
void WorkspaceEngine::RunDue() {
    const EngineChart::Clock::time_point now = EngineChart::Clock::now();
    for (const std::unique_ptr<Served>& served : served_)
        if (served->chart) served->chart->RunDue(now);
    if (!setup_.follow || now < nextRescan_) return;
    nextRescan_ = now + kRescanInterval;
    const FolderChanges changes = workspace_.Rescan();
    for (const InstrumentId id : changes.added) Serve(id);
    for (const InstrumentId id : changes.removed) served_[id]->chart.reset();
    for (const InstrumentId id : changes.reloaded) StartChart(id);
    if (!changes.added.empty() || !changes.removed.empty() || !changes.reloaded.empty()) Publish("instruments", "{}");
}

void WorkspaceEngine::Alerted(const std::vector<Alert>& alerts) {
    for (const Alert& alert : alerts) {
        if (setup_.alerted) setup_.alerted(alert);
        std::string line = AlertJsonLine(alert);
        line.pop_back();  // its line end
        Publish("alert", std::move(line));
    }
}

void WorkspaceEngine::PublishInstrument(InstrumentId id) {
    Publish("instrument", FormatInstrumentJson(workspace_, id));
}

void WorkspaceEngine::Publish(const char* name, std::string data) {
    hub.Publish(ChartEvent{++version_, name, std::move(data)});
}

EngineReply WorkspaceEngine::Instruments() {
    return queue.Ask([this] { return JsonReply(FormatInstrumentsJson(workspace_, instanceName, store_.lastEvent())); });
}

EngineReply WorkspaceEngine::AlertsAfter(int64_t event) {
    return queue.Ask(
        [this, event] { return JsonReply(FormatAlertsJson(store_.AlertsAfter(event, kMaxAlertsAnswered))); });
}

EngineReply WorkspaceEngine::ChooseAlertLines(std::string instrument, std::optional<std::vector<std::string>> lines) {
    return queue.Ask([this, instrument = std::move(instrument), lines = std::move(lines)] {
        const std::optional<InstrumentId> id = workspace_.Find(instrument);
        if (!id) return Refusal(404, fmt::format("no instrument {}", instrument));
        try {
            workspace_.ChooseAlertLines(*id, lines ? AlertLines{false, *lines} : AlertLines{});
        } catch (const WorkspaceError& error) {
            return Refusal(400, error.what());
        }
        PublishInstrument(*id);
        return JsonReply(fmt::format("{{\"version\":{}}}\n", version_));
    });
}

}  // namespace kovra::host
