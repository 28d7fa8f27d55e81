#include "host/workspace/Workspace.h"

#include <algorithm>

#include <fmt/format.h>

#include "host/runtime/StudyOutputs.h"
#include "host/runtime/StudySettings.h"
#include "host/scan/ScanCharts.h"
#include "host/scan/Workers.h"
#include "host/text/DateTimeText.h"
#include "host/text/ShownText.h"

namespace kovra::host {

namespace {

// The setting a SettingsError names, as the user would write it.
std::string SettingText(const StudySettings& settings, const SettingsError& error) {
    if (error.kind == SettingsError::Kind::kInput) {
        const InputSetting& input = settings.inputs[error.index];
        return fmt::format("\"{}={}\"", input.input, input.value);
    }
    const SubgraphSetting& edit = settings.subgraphs[error.index];
    return fmt::format("\"{}.{}={}\"", edit.subgraph, edit.field, edit.value);
}

}  // namespace

Workspace::Workspace(StudyFunction study, std::vector<std::string> sources, WorkspaceOptions options,
                     WorkspaceStore& store)
    : study_(study), sources_(std::move(sources)), options_(std::move(options)), store_(store) {
    WarnOnNewStoreProblem();
    const ScanFileList list = ListScanFiles(sources_);
    for (const std::string& folder : list.emptyFolders) Warn(folder + ": no .csv files in the folder");
    instruments_.reserve(list.files.size());
    for (const ScanFile& file : list.files) Add(file);
    std::vector<SavedInstrument> saved;
    for (const Instrument& instrument : instruments_) saved.push_back(store_.Load(instrument.name()));
    // Each worker opens whole instruments, touching nothing but the one it opens.
    RunOnWorkers(instruments_.size(), options_.jobs, [&](size_t id) { Open(instruments_[id], saved[id]); });
    for (Instrument& instrument : instruments_) Settle(instrument);
}

std::optional<InstrumentId> Workspace::Find(std::string_view name) const {
    for (InstrumentId id = 0; id < instruments_.size(); ++id)
        if (instruments_[id].name() == name) return id;
    return std::nullopt;
}

Instrument& Workspace::Add(const ScanFile& file) {
    const std::optional<InstrumentId> namesake = Find(file.instrument);
    Instrument& instrument = instruments_.emplace_back();
    instrument.row_.instrument = file.instrument;
    instrument.row_.file = file.path;
    instrument.problem_ = file.error;
    if (namesake) {
        instrument.row_.instrument = file.path;
        instrument.problem_ = fmt::format("{}: the instrument name \"{}\" is taken by {}", file.path, file.instrument,
                                          instruments_[*namesake].path());
    }
    return instrument;
}

// On a worker: everything here belongs to this instrument alone.
void Workspace::Open(Instrument& instrument, const SavedInstrument& saved) const {
    instrument.chart_.reset();
    instrument.status_ = InstrumentStatus::kFailed;
    instrument.alertLines_ = saved.alertLines;
    instrument.timeframe_ = saved.timeframe;
    ScanRow row;
    row.instrument = instrument.name();
    row.file = instrument.path();
    instrument.row_ = std::move(row);
    if (!instrument.problem_.empty()) {
        instrument.row_.error = instrument.problem_;
        return;
    }
    // The command line's settings were checked before; the saved ones may no
    // longer fit (another study library): each refused one is skipped.
    ChartSetup setup = options_.chart;
    const size_t givenInputs = setup.settings.inputs.size(), givenSubgraphs = setup.settings.subgraphs.size();
    setup.settings.inputs.insert(setup.settings.inputs.end(), saved.inputs.begin(), saved.inputs.end());
    setup.settings.subgraphs.insert(setup.settings.subgraphs.end(), saved.subgraphs.begin(), saved.subgraphs.end());
    std::vector<std::string> warnings;
    try {
        for (;;) {
            try {
                OpenedChart opened = OpenChart(study_, instrument.path(), options_.bars, setup);
                instrument.chart_ = std::move(opened.session);
                instrument.loadedBytes_ = opened.fileBytes;
                warnings.insert(warnings.end(), opened.warnings.begin(), opened.warnings.end());
                break;
            } catch (const SettingsError& error) {
                const bool input = error.kind == SettingsError::Kind::kInput;
                if (error.index < (input ? givenInputs : givenSubgraphs)) throw;
                warnings.push_back(fmt::format("{}: the saved setting {} is skipped: {}", instrument.path(),
                                               SettingText(setup.settings, error), error.what()));
                if (input)
                    setup.settings.inputs.erase(setup.settings.inputs.begin() + static_cast<ptrdiff_t>(error.index));
                else
                    setup.settings.subgraphs.erase(setup.settings.subgraphs.begin() +
                                                   static_cast<ptrdiff_t>(error.index));
            }
        }
    } catch (const std::exception& error) {
        instrument.row_.error = FailureText(instrument.path(), error);
        instrument.row_.warnings = std::move(warnings);
        return;
    }
    instrument.status_ = InstrumentStatus::kReady;
    instrument.row_.warnings = std::move(warnings);
    UpdateRow(instrument);
}

// Back on the owning thread after opening.
void Workspace::Settle(Instrument& instrument) {
    if (instrument.chart_) instrument.crossings_.Baseline(instrument.chart_->study());
    for (const std::string& warning : instrument.row_.warnings) Warn(warning);
}

void Workspace::UpdateRow(Instrument& instrument) {
    ScanRow row = RowOfChart(instrument.chart_->study(), instrument.name(), instrument.path());
    row.warnings = std::move(instrument.row_.warnings);
    instrument.row_ = std::move(row);
}

// After a recalculation the last bar's crossings stand as alerted: the levels
// moved, not the price.
void Workspace::Recalculated(Instrument& instrument) {
    instrument.crossings_.Baseline(instrument.chart_->study());
    UpdateRow(instrument);
}

Instrument& Workspace::Ready(InstrumentId id) {
    Instrument& instrument = instruments_.at(id);
    if (instrument.status_ != InstrumentStatus::kReady)
        throw WorkspaceError(
            fmt::format("{}: the instrument has no chart running ({})", instrument.name(),
                        instrument.status_ == InstrumentStatus::kRemoved ? "its file is gone" : instrument.row_.error));
    return instrument;
}

BarsTaken Workspace::TakeBars(InstrumentId id, const std::vector<Bar>& bars) {
    BarsTaken taken;
    Instrument& instrument = instruments_.at(id);
    if (instrument.status_ != InstrumentStatus::kReady || bars.empty()) return taken;
    ChartSession& chart = *instrument.chart_;
    for (const Bar& bar : bars) {
        if (chart.TakeBar(bar) == ChartSession::BarTaken::kOlder) {
            ++taken.refused;
            Warn(fmt::format("{}: a bar dated {} is older than the last bar ({}); skipped", instrument.path(),
                             FormatDateTime(bar.dateTime), FormatDateTime(chart.chart().bars.dateTimes.back())));
            continue;
        }
        std::vector<Alert> alerts =
            instrument.crossings_.Update(chart.study(), instrument.name(), instrument.alertLines_);
        std::move(alerts.begin(), alerts.end(), std::back_inserter(taken.alerts));
    }
    store_.Record(taken.alerts);
    WarnOnNewStoreProblem();
    UpdateRow(instrument);
    return taken;
}

ChartSession& Workspace::Chart(InstrumentId id) { return *Ready(id).chart_; }

void Workspace::BarsReplaced(InstrumentId id) { Recalculated(Ready(id)); }

void Workspace::TimeframeChanged(InstrumentId id, const std::string& timeframe) {
    Instrument& instrument = Ready(id);
    store_.SaveTimeframe(instrument.name(), timeframe);
    WarnOnNewStoreProblem();
    instrument.timeframe_ = timeframe;
    Recalculated(instrument);
}

void Workspace::SaveInputs(const Instrument& instrument) {
    store_.SaveInputs(instrument.name(), InputsInForce(instrument.chart_->study()));
}

void Workspace::ChangeSettings(InstrumentId id, const StudySettings& settings) {
    Instrument& instrument = Ready(id);
    std::optional<SettingsError> refused;
    try {
        instrument.chart_->ChangeSettings(settings);
    } catch (const SettingsError& error) {
        refused = error;
    }
    // Inputs are applied before subgraph edits, so a refused input stops every edit.
    size_t appliedEdits = settings.subgraphs.size();
    if (refused) appliedEdits = refused->kind == SettingsError::Kind::kSubgraph ? refused->index : 0;
    SaveInputs(instrument);
    store_.SaveSubgraphEdits(instrument.name(), {settings.subgraphs.begin(),
                                                 settings.subgraphs.begin() + static_cast<ptrdiff_t>(appliedEdits)});
    WarnOnNewStoreProblem();
    Recalculated(instrument);
    if (refused) throw *refused;
}

void Workspace::Push(InstrumentId id, int32_t button, int32_t kind) {
    Instrument& instrument = Ready(id);
    instrument.chart_->Push(button, kind);
    SaveInputs(instrument);
    WarnOnNewStoreProblem();
    Recalculated(instrument);
}

std::vector<std::string> Workspace::LineNames(InstrumentId id) const {
    const Instrument& instrument = instruments_.at(id);
    if (!instrument.chart_) throw WorkspaceError(fmt::format("{}: the instrument has no chart", instrument.name()));
    std::vector<std::string> names;
    for (const int32_t subgraph : LevelSeriesSubgraphs())
        names.emplace_back(SubgraphName(instrument.chart_->study(), subgraph));
    return names;
}

void Workspace::ChooseAlertLines(InstrumentId id, AlertLines lines) {
    const std::vector<std::string> known = LineNames(id);
    for (const std::string& name : lines.names)
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw WorkspaceError(fmt::format("no line \"{}\"; the lines are: {}", name, QuotedList(known)));
    Instrument& instrument = instruments_.at(id);
    store_.SaveAlertLines(instrument.name(), lines);
    WarnOnNewStoreProblem();
    instrument.alertLines_ = std::move(lines);
}

FolderChanges Workspace::Rescan() {
    FolderChanges changes;
    const ScanFileList list = ListScanFiles(sources_);
    std::vector<bool> listed(instruments_.size(), false);
    for (const ScanFile& file : list.files) {
        const auto known =
            std::find_if(instruments_.begin(), instruments_.end(),
                         [&file](const Instrument& instrument) { return instrument.path() == file.path; });
        if (known == instruments_.end()) {
            Instrument& added = Add(file);
            Open(added, store_.Load(added.name()));
            Settle(added);
            changes.added.push_back(instruments_.size() - 1);
            continue;
        }
        const auto id = static_cast<InstrumentId>(known - instruments_.begin());
        listed[id] = true;
        if (known->status_ == InstrumentStatus::kRemoved) {
            Reload(id);
            changes.reloaded.push_back(id);
        }
    }
    for (InstrumentId id = 0; id < listed.size(); ++id) {
        if (listed[id] || instruments_[id].status_ == InstrumentStatus::kRemoved) continue;
        instruments_[id].status_ = InstrumentStatus::kRemoved;
        changes.removed.push_back(id);
    }
    return changes;
}

void Workspace::Reload(InstrumentId id) {
    Instrument& instrument = instruments_.at(id);
    Open(instrument, store_.Load(instrument.name()));
    Settle(instrument);
}

void Workspace::Warn(const std::string& message) const {
    if (options_.warn) options_.warn(message);
}

void Workspace::WarnOnNewStoreProblem() {
    if (store_.problem() == storeProblem_) return;
    storeProblem_ = store_.problem();
    Warn(storeProblem_);
}

}  // namespace kovra::host
