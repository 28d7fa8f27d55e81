// One study on a chart: the platform's record for it, built and kept by the
// host, and the calls into the study function.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/memory/RecordArrays.h"
#include "host/runtime/Chart.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

struct InstanceOptions {
    int32_t inputCount = 32;       // inputs the record offers (positions 0 .. count-1)
    int32_t subgraphCount = 32;    // subgraphs the record offers
    bool offerListItems = true;    // whether SetInputListItems is served
    bool offerDescription = true;  // whether SetInputDescription is served
    int32_t valueFormat = 2;       // decimal places of price texts
};

// Price texts have 0 to 9 decimal places, whatever the record's value format says.
inline constexpr int32_t kMaxPriceDecimals = 9;
constexpr int32_t PriceDecimalsOf(int32_t valueFormat) { return std::clamp(valueFormat, 0, kMaxPriceDecimals); }

// The default elements the record hands out for absent or empty arrays.
StudySubgraph DefaultSubgraph();
StudyInput DefaultInput();

// Whether the defaults call declared the element: gave it a name, or an input
// a type, or a subgraph a display setting other than the default's.
bool IsDeclared(const StudyInput& input);
bool IsDeclared(const StudySubgraph& subgraph);

class StudyInstance {
public:
    // A subgraph's values, one per bar: a record array, so in large pages on
    // long charts, where a new chart's recalculation would otherwise spend
    // most of its time faulting in the series' memory page by page.
    using SeriesValues = RecordColumn<float>;

    StudyInstance(Chart& chart, StudyFunction study, int32_t studyIdentifier, InstanceOptions options = {});
    ~StudyInstance();
    StudyInstance(const StudyInstance&) = delete;
    StudyInstance& operator=(const StudyInstance&) = delete;

    // The declaring call.
    void CallDefaults();
    // One call computing `bar` (0 .. bar count - 1) of the chart's current bars.
    void CallBar(int32_t bar);

    // After a call: whether the study asked for a recalculation (clears the request).
    bool TakeRecalculationRequest();

    HostStudyInterface& record() { return record_; }
    const HostStudyInterface& record() const { return record_; }
    Chart& chart() { return chart_; }
    const Chart& chart() const { return chart_; }
    int32_t studyIdentifier() const { return record_.StudyIdentifier; }

    RecordColumn<StudyInput>& inputs() { return inputs_; }
    const RecordColumn<StudyInput>& inputs() const { return inputs_; }
    RecordColumn<StudySubgraph>& subgraphs() { return subgraphs_; }
    const RecordColumn<StudySubgraph>& subgraphs() const { return subgraphs_; }

    // The list items of an input, split at ";".
    std::vector<std::string> ListItemsOf(int32_t inputPosition) const;
    // The selected item's text of an input (rounded index), empty when none.
    std::string SelectedTextOf(int32_t inputPosition) const;
    // Sets an input's value the way the settings dialog does.
    void SetInputValue(int32_t inputPosition, float value);

    // A subgraph's value at a bar; NaN where the study wrote nothing.
    float SeriesValue(int32_t subgraph, int32_t bar) const;
    // Whether the study ever fetched the subgraph's series.
    bool SeriesFetched(int32_t subgraph) const;
    // The persistent integer under `key`, 0 when never set.
    int32_t PersistentValue(int32_t key) const;
    const PersistentIntegers& persistentIntegers() const { return persistent_; }

private:
    static constexpr int32_t kOpenKey = 1, kHighKey = 2, kLowKey = 3, kCloseKey = 4, kDateTimesKey = 5, kInputsKey = 6,
                             kSubgraphsKey = 7, kControlBarKey = 8, kFirstSeriesKey = 100;

    static StudyInstance& Of(HostStudyInterface* host) { return *static_cast<StudyInstance*>(host->HostContext); }
    static void FetchArray(HostStudyInterface* host, int32_t key);
    static int32_t* PersistentInteger(HostStudyInterface* host, int32_t key);
    static void TextAssign(HostStudyInterface* host, HostText* text, const char* value);
    static void TextAppend(HostStudyInterface* host, HostText* text, const char* value);
    static void TextFormat(HostStudyInterface* host, HostText* text, const char* format, ...);
    static void TextAppendFormat(HostStudyInterface* host, HostText* text, const char* format, ...);
    static void SetInputListItems(HostStudyInterface* host, StudyInput* input, const char* items);
    static void SetInputDescription(HostStudyInterface* host, StudyInput* input, const char* text);
    static void FormatValueText(HostStudyInterface* host, double value, int32_t valueFormat, HostText* out);
    static int32_t SubmitDrawing(HostStudyInterface* host, DrawingRequest* request);
    static void ClearStudyDrawings(HostStudyInterface* host, int32_t chart, int32_t drawingId, int32_t mode);

    void PrepareCall(bool defaults, int32_t bar);
    void FinishCall();
    void PointBarArrays();
    void RestoreSpares();
    void RefreshSelectedTexts();
    void ParseListItems(int32_t inputPosition);

    Chart& chart_;
    StudyFunction study_;
    HostStudyInterface record_{};
    RecordColumn<StudyInput> inputs_;
    RecordColumn<StudySubgraph> subgraphs_;
    std::vector<std::vector<std::string>> listItems_;  // per input, split
    std::vector<size_t> listedInputs_;                 // inputs given list items
    std::vector<float> selectedFor_;                   // value SelectedText was derived from
    std::vector<SeriesValues> series_;                 // per subgraph; empty until fetched
    std::vector<uint8_t> seriesFetched_;               // bytes rather than bits: read on every call
    int32_t seriesSizedFor_ = -1;                      // the bar count the fetched series were last sized to
    PersistentIntegers persistent_;
    static constexpr int32_t kCachedPersistentKeys = 8;
    int32_t* persistentCache_[kCachedPersistentKeys] = {};
};

}  // namespace kovra::host
