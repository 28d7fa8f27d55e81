#include "host/runtime/StudyInstance.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <limits>

#include "record/StudyInputs.h"

namespace kovra::host {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
constexpr HostText kEmptyText{nullptr, 0, 0};

template <typename Element>
HostArray<Element> AbsentArray(int32_t key, Element spare) {
    return HostArray<Element>{nullptr, 0, key, spare};
}

void ReleaseTexts(StudyInput& input) {
    ReleaseText(input.Name);
    ReleaseText(input.ListItems);
    ReleaseText(input.Description);
}

void ReleaseTexts(StudySubgraph& subgraph) { ReleaseText(subgraph.Name); }

void ReleaseTexts(ControlBarButton& button) {
    ReleaseText(button.Label);
    ReleaseText(button.Hover);
}

}  // namespace

StudySubgraph DefaultSubgraph() {
    StudySubgraph subgraph{};
    subgraph.Name = kEmptyText;
    subgraph.PrimaryColour = 0x00000000;
    subgraph.SecondaryColour = 0x00000000;
    subgraph.LineWidth = 1;
    subgraph.Series = AbsentArray<float>(-1, kNoValue);
    return subgraph;
}

StudyInput DefaultInput() {
    StudyInput input{};
    input.Name = input.ListItems = input.Description = kEmptyText;
    return input;
}

bool IsDeclared(const StudyInput& input) { return input.TypeCode != kInputTypeNotDeclared || input.Name.Length > 0; }

bool IsDeclared(const StudySubgraph& subgraph) {
    const StudySubgraph fresh = DefaultSubgraph();
    return subgraph.Name.Length > 0 || subgraph.PrimaryColour != fresh.PrimaryColour ||
           subgraph.SecondaryColour != fresh.SecondaryColour || subgraph.DrawStyle != fresh.DrawStyle ||
           subgraph.LineStyle != fresh.LineStyle || subgraph.LineWidth != fresh.LineWidth ||
           subgraph.LabelSettings != fresh.LabelSettings || subgraph.AngleUnit != fresh.AngleUnit ||
           subgraph.AngleMax != fresh.AngleMax;
}

StudyInstance::StudyInstance(Chart& chart, StudyFunction study, int32_t studyIdentifier, InstanceOptions options)
    : chart_(chart), study_(study) {
    const auto inputCount = static_cast<size_t>(std::max(options.inputCount, 0));
    const auto subgraphCount = static_cast<size_t>(std::max(options.subgraphCount, 0));
    inputs_.assign(inputCount, DefaultInput());
    listItems_.resize(inputCount);
    selectedFor_.assign(inputCount, kNoValue);
    subgraphs_.assign(subgraphCount, DefaultSubgraph());
    series_.resize(subgraphCount);
    seriesFetched_.assign(subgraphCount, 0);
    for (size_t i = 0; i < subgraphCount; ++i)
        subgraphs_[i].Series.FetchKey = kFirstSeriesKey + static_cast<int32_t>(i);

    HostStudyInterface& r = record_;
    r.Size = sizeof(HostStudyInterface);
    r.InterfaceVersion = kHostInterfaceVersion;
    r.HostContext = this;
    r.Open = AbsentArray<float>(kOpenKey, kNoValue);
    r.High = AbsentArray<float>(kHighKey, kNoValue);
    r.Low = AbsentArray<float>(kLowKey, kNoValue);
    r.Close = AbsentArray<float>(kCloseKey, kNoValue);
    r.BarDateTimes = AbsentArray<int64_t>(kDateTimesKey, 0);
    r.StudyName = r.StudyDescription = kEmptyText;
    r.Inputs = AbsentArray<StudyInput>(kInputsKey, DefaultInput());
    r.Subgraphs = AbsentArray<StudySubgraph>(kSubgraphsKey, DefaultSubgraph());
    r.ControlBar = AbsentArray<ControlBarButton>(kControlBarKey, ControlBarButton{kEmptyText, kEmptyText, 0});
    r.StudyIdentifier = studyIdentifier;
    r.HostChartId = chart.id;
    r.HostChartColour = chart.backgroundColour;
    r.ValueFormat = options.valueFormat;

    r.FetchArray = &StudyInstance::FetchArray;
    r.PersistentInteger = &StudyInstance::PersistentInteger;
    r.TextAssign = &StudyInstance::TextAssign;
    r.TextAppend = &StudyInstance::TextAppend;
    r.TextFormat = &StudyInstance::TextFormat;
    r.TextAppendFormat = &StudyInstance::TextAppendFormat;
    r.SetInputListItems = options.offerListItems ? &StudyInstance::SetInputListItems : nullptr;
    r.SetInputDescription = options.offerDescription ? &StudyInstance::SetInputDescription : nullptr;
    r.FormatValueText = &StudyInstance::FormatValueText;
    r.SubmitDrawing = &StudyInstance::SubmitDrawing;
    r.ClearStudyDrawings = &StudyInstance::ClearStudyDrawings;
}

StudyInstance::~StudyInstance() {
    for (StudyInput& input : inputs_) ReleaseTexts(input);
    for (StudySubgraph& subgraph : subgraphs_) ReleaseTexts(subgraph);
    ReleaseTexts(record_.Inputs.Spare);
    ReleaseTexts(record_.Subgraphs.Spare);
    ReleaseTexts(record_.ControlBar.Spare);
    ReleaseText(record_.StudyName);
    ReleaseText(record_.StudyDescription);
}

void StudyInstance::CallDefaults() {
    PrepareCall(true, 0);
    study_(record_);
    FinishCall();
}

void StudyInstance::CallBar(int32_t bar) {
    PrepareCall(false, bar);
    study_(record_);
    FinishCall();
}

bool StudyInstance::TakeRecalculationRequest() {
    const bool requested = record_.RecalculationRequested != 0;
    record_.RecalculationRequested = 0;
    return requested;
}

void StudyInstance::PrepareCall(bool defaults, int32_t bar) {
    record_.IsDefaultsCall = defaults ? 1 : 0;
    record_.CurrentBar = bar;
    record_.BarCount = chart_.bars.size();
    record_.HostChartId = chart_.id;
    record_.HostChartColour = chart_.backgroundColour;
    record_.PendingButtonNumber = chart_.pendingEvent.number;
    record_.PendingButtonKind = chart_.pendingEvent.kind;
    PointBarArrays();
    RestoreSpares();
    RefreshSelectedTexts();
}

void StudyInstance::FinishCall() {
    // An event stays pending until the study acts on it (it asks for a
    // recalculation); an off event is delivered once.
    if (record_.RecalculationRequested != 0 || chart_.pendingEvent.kind != kButtonPushedOn)
        chart_.pendingEvent = ButtonEvent{};
}

// Bars may have been appended since the last call: re-point the bar arrays and
// grow the series the study already fetched, new bars holding no value.
void StudyInstance::PointBarArrays() {
    BarColumns& bars = chart_.bars;
    const int32_t count = bars.size();
    auto point = [count](auto& array, auto& column) {
        if (array.Data == nullptr && array.Count == 0) return;  // not fetched yet
        array.Data = column.data();
        array.Count = count;
    };
    point(record_.Open, bars.open);
    point(record_.High, bars.high);
    point(record_.Low, bars.low);
    point(record_.Close, bars.close);
    point(record_.BarDateTimes, bars.dateTimes);
    // A fetched series keeps its size and address until the bar count changes
    // (a fetch sizes it to the current count).
    if (count == seriesSizedFor_) return;
    seriesSizedFor_ = count;
    for (size_t i = 0; i < series_.size(); ++i) {
        if (!seriesFetched_[i]) continue;
        if (series_[i].size() != static_cast<size_t>(count)) {
            MakeRoom(series_[i], static_cast<size_t>(count));
            series_[i].resize(static_cast<size_t>(count), kNoValue);
        }
        subgraphs_[i].Series.Data = series_[i].data();
        subgraphs_[i].Series.Count = count;
    }
}

// A spare element is handed out only for an absent or empty array; restoring
// it there is what makes writes to it lost.
void StudyInstance::RestoreSpares() {
    auto restore = [](auto& array, auto spare) {
        if (array.Data != nullptr && array.Count > 0) return;
        array.Spare = spare;
    };
    restore(record_.Open, kNoValue);
    restore(record_.High, kNoValue);
    restore(record_.Low, kNoValue);
    restore(record_.Close, kNoValue);
    restore(record_.BarDateTimes, int64_t{0});
    if (record_.Inputs.Data == nullptr || record_.Inputs.Count <= 0) {
        ReleaseTexts(record_.Inputs.Spare);
        record_.Inputs.Spare = DefaultInput();
    }
    if (record_.Subgraphs.Data == nullptr || record_.Subgraphs.Count <= 0) {
        ReleaseTexts(record_.Subgraphs.Spare);
        record_.Subgraphs.Spare = DefaultSubgraph();
    }
    if (record_.ControlBar.Data == nullptr || record_.ControlBar.Count <= 0) {
        ReleaseTexts(record_.ControlBar.Spare);
        record_.ControlBar.Spare = ControlBarButton{kEmptyText, kEmptyText, 0};
    }
    // A series is fetched on its first access and then has an element per bar,
    // so its spare can only be handed out while the chart has no bars.
    if (chart_.bars.size() == 0)
        for (StudySubgraph& subgraph : subgraphs_) subgraph.Series.Spare = kNoValue;
}

// Only an input with list items has a selected text; the others keep null.
void StudyInstance::RefreshSelectedTexts() {
    for (const size_t i : listedInputs_) {
        StudyInput& input = inputs_[i];
        if (input.Value == selectedFor_[i]) continue;
        selectedFor_[i] = input.Value;
        const int32_t index = record::InputIndex(input.Value);
        const std::vector<std::string>& items = listItems_[i];
        input.SelectedText = index >= 0 && static_cast<size_t>(index) < items.size() ? items[index].c_str() : nullptr;
    }
}

void StudyInstance::ParseListItems(int32_t position) {
    std::vector<std::string>& items = listItems_[static_cast<size_t>(position)];
    items.clear();
    if (std::find(listedInputs_.begin(), listedInputs_.end(), static_cast<size_t>(position)) == listedInputs_.end())
        listedInputs_.push_back(static_cast<size_t>(position));
    const std::string_view all = TextView(inputs_[static_cast<size_t>(position)].ListItems);
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = std::min(all.find(';', start), all.size());
        items.emplace_back(all.substr(start, end - start));
        start = end + 1;
    }
    selectedFor_[static_cast<size_t>(position)] = kNoValue;  // re-derive the selected text
    inputs_[static_cast<size_t>(position)].SelectedText = nullptr;
}

std::vector<std::string> StudyInstance::ListItemsOf(int32_t position) const {
    if (position < 0 || static_cast<size_t>(position) >= listItems_.size()) return {};
    return listItems_[static_cast<size_t>(position)];
}

std::string StudyInstance::SelectedTextOf(int32_t position) const {
    if (position < 0 || static_cast<size_t>(position) >= inputs_.size()) return {};
    const int32_t index = record::InputIndex(inputs_[static_cast<size_t>(position)].Value);
    const std::vector<std::string>& items = listItems_[static_cast<size_t>(position)];
    return index >= 0 && static_cast<size_t>(index) < items.size() ? items[static_cast<size_t>(index)] : std::string{};
}

void StudyInstance::SetInputValue(int32_t position, float value) {
    if (position < 0 || static_cast<size_t>(position) >= inputs_.size()) return;
    inputs_[static_cast<size_t>(position)].Value = value;
    RefreshSelectedTexts();
}

float StudyInstance::SeriesValue(int32_t subgraph, int32_t bar) const {
    if (subgraph < 0 || static_cast<size_t>(subgraph) >= series_.size()) return kNoValue;
    const SeriesValues& values = series_[static_cast<size_t>(subgraph)];
    if (bar < 0 || static_cast<size_t>(bar) >= values.size()) return kNoValue;
    return values[static_cast<size_t>(bar)];
}

bool StudyInstance::SeriesFetched(int32_t subgraph) const {
    return subgraph >= 0 && static_cast<size_t>(subgraph) < seriesFetched_.size() &&
           seriesFetched_[static_cast<size_t>(subgraph)] != 0;
}

int32_t StudyInstance::PersistentValue(int32_t key) const {
    const auto found = persistent_.find(key);
    return found != persistent_.end() ? found->second : 0;
}

// Host operations served through the record.

void StudyInstance::FetchArray(HostStudyInterface* host, int32_t key) {
    StudyInstance& self = Of(host);
    BarColumns& bars = self.chart_.bars;
    HostStudyInterface& r = self.record_;
    switch (key) {
        case kOpenKey:
            r.Open.Data = bars.open.data(), r.Open.Count = bars.size();
            return;
        case kHighKey:
            r.High.Data = bars.high.data(), r.High.Count = bars.size();
            return;
        case kLowKey:
            r.Low.Data = bars.low.data(), r.Low.Count = bars.size();
            return;
        case kCloseKey:
            r.Close.Data = bars.close.data(), r.Close.Count = bars.size();
            return;
        case kDateTimesKey:
            r.BarDateTimes.Data = bars.dateTimes.data(), r.BarDateTimes.Count = bars.size();
            return;
        case kInputsKey:
            r.Inputs.Data = self.inputs_.data();
            r.Inputs.Count = static_cast<int32_t>(self.inputs_.size());
            return;
        case kSubgraphsKey:
            r.Subgraphs.Data = self.subgraphs_.data();
            r.Subgraphs.Count = static_cast<int32_t>(self.subgraphs_.size());
            return;
        case kControlBarKey: {
            RecordColumn<ControlBarButton>& buttons = self.chart_.controlBar.buttons();
            r.ControlBar.Data = buttons.data();
            r.ControlBar.Count = static_cast<int32_t>(buttons.size());
            return;
        }
        default:
            break;
    }
    const int64_t index = static_cast<int64_t>(key) - kFirstSeriesKey;
    if (index < 0 || index >= static_cast<int64_t>(self.series_.size())) return;
    const auto i = static_cast<size_t>(index);
    self.seriesFetched_[i] = 1;
    MakeRoom(self.series_[i], static_cast<size_t>(bars.size()));
    self.series_[i].resize(static_cast<size_t>(bars.size()), kNoValue);
    self.subgraphs_[i].Series.Data = self.series_[i].data();
    self.subgraphs_[i].Series.Count = bars.size();
}

int32_t* StudyInstance::PersistentInteger(HostStudyInterface* host, int32_t key) {
    StudyInstance& self = Of(host);
    // Map nodes never move, so the few small keys a study uses are looked up once.
    if (key >= 0 && key < kCachedPersistentKeys) {
        int32_t*& cached = self.persistentCache_[key];
        if (cached == nullptr) cached = &self.persistent_[key];
        return cached;
    }
    return &self.persistent_[key];
}

void StudyInstance::TextAssign(HostStudyInterface* host, HostText* text, const char* value) {
    if (text != nullptr) AssignText(Of(host).chart_.texts, *text, value);
}

void StudyInstance::TextAppend(HostStudyInterface* host, HostText* text, const char* value) {
    if (text != nullptr) AppendText(Of(host).chart_.texts, *text, value);
}

void StudyInstance::TextFormat(HostStudyInterface* host, HostText* text, const char* format, ...) {
    if (text == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    FormatText(Of(host).chart_.texts, *text, false, format, arguments);
    va_end(arguments);
}

void StudyInstance::TextAppendFormat(HostStudyInterface* host, HostText* text, const char* format, ...) {
    if (text == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    FormatText(Of(host).chart_.texts, *text, true, format, arguments);
    va_end(arguments);
}

void StudyInstance::SetInputListItems(HostStudyInterface* host, StudyInput* input, const char* items) {
    StudyInstance& self = Of(host);
    if (input == nullptr) return;
    AssignText(self.chart_.texts, input->ListItems, items);
    const ptrdiff_t position = input - self.inputs_.data();
    if (position >= 0 && static_cast<size_t>(position) < self.inputs_.size())
        self.ParseListItems(static_cast<int32_t>(position));
}

void StudyInstance::SetInputDescription(HostStudyInterface* host, StudyInput* input, const char* text) {
    if (input != nullptr) AssignText(Of(host).chart_.texts, input->Description, text);
}

// What printf's "%.*f" writes (the exact value rounded to the places, NaN and
// infinities spelled out), without printf's cost: it runs for every price label.
void StudyInstance::FormatValueText(HostStudyInterface* host, double value, int32_t valueFormat, HostText* out) {
    if (out == nullptr) return;
    const int places = PriceDecimalsOf(valueFormat);
    char buffer[400];  // the largest double has 309 digits before the point
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, places);
    *written.ptr = '\0';
    AssignText(Of(host).chart_.texts, *out, buffer);
}

int32_t StudyInstance::SubmitDrawing(HostStudyInterface* host, DrawingRequest* request) {
    if (request == nullptr || request->Size != sizeof(DrawingRequest) ||
        request->InterfaceVersion != kHostInterfaceVersion)
        return 0;
    StudyInstance& self = Of(host);
    self.chart_.drawings.Submit(self.record_.StudyIdentifier, *request);
    return 1;
}

void StudyInstance::ClearStudyDrawings(HostStudyInterface* host, int32_t, int32_t, int32_t) {
    StudyInstance& self = Of(host);
    self.chart_.drawings.ClearStudy(self.record_.StudyIdentifier);
}

}  // namespace kovra::host
