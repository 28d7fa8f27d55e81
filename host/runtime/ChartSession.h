// A chart running one study the way the platform drives it: the defaults
// call, a full recalculation, real-time updates of the last bar, button
// pushes, and a recalculation from bar 0 whenever the study asks for one.
#pragma once

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/bars/BarAggregator.h"
#include "host/runtime/Chart.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudySettings.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

struct SessionOptions {
    int32_t studyIdentifier = 1;           // 1 or more
    int32_t valueFormat = 2;               // decimal places of price texts (0..9)
    double tickSize = 0.25;                // price step of real-time updates; > 0
    int32_t maxChainedRecalculations = 8;  // a study asking for more is stopped with a warning
    // Told now and then how far a recalculation ("recalculating") or the
    // real-time updates ("real-time updates") have come: done of total.
    std::function<void(std::string_view stage, int64_t done, int64_t total)> progress;
    // Called once with the study's record before the defaults call: a host
    // checking the study wraps the record's operations to watch them.
    std::function<void(HostStudyInterface& record)> prepareRecord;
    // The chart shows its bars in this timeframe's buckets; unset: as they
    // are. With it, every bar handed to the session (in the constructor,
    // AppendBar, ReviseLastBar, TakeBar, ReplaceBars) is a source bar.
    std::optional<TimeframeBuckets> timeframe;
};

// What changed on the chart since it was last taken: the bars from
// `barsFrom` on (their date-times or prices; bars beyond the count are gone)
// and the study's series from `seriesFrom` on. A bar call writes its own
// bar's values, so one new bar or a revision of the last bar changes both
// from that bar on; a full recalculation changes every value; replaced bars
// change from the first that differs. kUnchanged: nothing from there.
struct ChartChange {
    static constexpr int32_t kUnchanged = INT32_MAX;
    int32_t barsFrom = kUnchanged;
    int32_t seriesFrom = kUnchanged;

    void BarsFrom(int32_t bar) { barsFrom = std::min(barsFrom, bar); }
    void SeriesFrom(int32_t bar) { seriesFrom = std::min(seriesFrom, bar); }
    bool operator==(const ChartChange&) const = default;
};

class ChartSession {
public:
    // Throws TimeframeError when the options' timeframe does not fit the bars.
    ChartSession(BarColumns bars, StudyFunction study, const SessionOptions& options = {});
    ChartSession(const ChartSession&) = delete;
    ChartSession& operator=(const ChartSession&) = delete;

    // The defaults call; then the user's settings dialog, then a full
    // recalculation. Throws SettingsError for a setting the dialog refuses.
    void Start(const StudySettings& settings = {});
    // Bars 0 .. n-1, one call each, from a blank slate: series at "no value",
    // the study's drawings removed. A request made meanwhile starts it over.
    void FullRecalculation();
    // `count` real-time price updates from a seeded random walk on the tick grid:
    // whole ticks, never below one tick above zero while every bar is above
    // zero, anywhere for an instrument that trades at or below zero (spreads).
    void PlayTicks(int64_t count, uint64_t seed);
    // The user clicks `button` (`kind` kButtonPushedOn or kButtonPushedOff): the study is called for
    // the last bar with the event pending. An off click releases the button first.
    void Push(int32_t button, int32_t kind);
    // The user edits the settings dialog while the chart runs: the settings,
    // then a full recalculation. Throws SettingsError for a refused setting;
    // those before it stay applied and the chart is recalculated all the same.
    void ChangeSettings(const StudySettings& settings);
    // Real time: a new bar arrives and is computed (a chart without bars gets
    // its first bar by a full recalculation). In a timeframe, a source bar
    // that joins the last bucket revises the chart's last bar instead.
    void AppendBar(const Bar& bar);
    // Real time: the last bar's prices change (its date-time stays) and it is
    // computed again. Nothing happens on a chart without bars. In a
    // timeframe, the last source bar changes and the last bucket with it.
    void ReviseLastBar(const Bar& bar);
    // Real time, from a followed bar file: a bar with the last bar's
    // date-time revises it, a later one is appended; an older one is refused
    // (nothing changes).
    enum class BarTaken { kRevised, kAppended, kOlder };
    BarTaken TakeBar(const Bar& bar);
    // All bars replaced (a replay started over, old history dropped), then a
    // full recalculation.
    void ReplaceBars(BarColumns bars);
    // The chart shown in another timeframe (unset: the bars as they are),
    // made from `sources`, then a full recalculation. Throws TimeframeError
    // for a timeframe the bars do not fit; nothing changes then.
    void ChangeTimeframe(const std::optional<TimeframeBuckets>& timeframe, BarColumns sources);

    // Host flags the study only tests; they stay as set for every later call.
    void SetReleaseButtons(bool on) { study_->record().ReleaseButtons = on ? 1 : 0; }
    void SetHoldChartUpdates(bool on) { study_->record().HoldChartUpdates = on ? 1 : 0; }
    void SetDrawingsSuppressed(bool on) { study_->record().DrawingsSuppressed = on ? 1 : 0; }

    // Read-only views of the chart and the study's record; the session alone changes them.
    const Chart& chart() const { return *chart_; }
    const StudyInstance& study() const { return *study_; }
    // What changed since the last call (everything, the first time), and starts counting anew.
    ChartChange TakeChange() { return std::exchange(change_, ChartChange{}); }

    // The bars handed to the session: the chart's, or in a timeframe its source bars.
    int32_t sourceBars() const;

    int64_t fullRecalculations() const { return fullRecalculations_; }  // completed ones
    // Drawing passes the study ran: its ClearStudyDrawings calls, not the host's.
    int64_t drawingPasses() const;
    std::chrono::nanoseconds lastRecalculationTime() const { return lastRecalculationTime_; }
    int32_t lastRecalculationBars() const { return lastRecalculationBars_; }
    // Problems worth telling the user (one line each), in order.
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    // One bar call followed by the host's reaction to a recalculation request.
    void CallAndReact(int32_t bar);
    // Recalculates from bar 0 until no call asks again; `requestsHonoured`
    // counts the requests of this chain already acted on.
    void Recalculate(int32_t requestsHonoured);
    // Bars 0 .. n-1; returns whether a call asked for a recalculation (and
    // stops there when `stopOnRequest`).
    bool RecalculationPass(bool stopOnRequest);
    void ResetStudyOutput();
    void UpdateLastBar(float price);
    // The chart's last bar becomes `bar` (its date-time stays) and is computed again.
    void SetLastBar(const Bar& bar);

    std::unique_ptr<Chart> chart_;  // stable address: the record points into it
    std::unique_ptr<StudyInstance> study_;
    SessionOptions options_;
    std::optional<BarAggregator> aggregator_;  // set in a timeframe
    bool pricesPositive_ = true;               // every bar's low is above zero
    int64_t fullRecalculations_ = 0;
    int64_t hostClears_ = 0;
    std::chrono::nanoseconds lastRecalculationTime_{0};
    int32_t lastRecalculationBars_ = 0;
    std::vector<std::string> warnings_;
    ChartChange change_{0, 0};
};

}  // namespace kovra::host
