#include "host/runtime/ChartSession.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "host/bars/SplitMix64.h"

namespace kovra::host {

namespace {

constexpr int64_t kOneMinute = 60LL * 1000000;
constexpr uint64_t kNewBarOneIn = 8;         // share of updates that start a new bar
constexpr int64_t kProgressEvery = 1 << 16;  // bars or updates between progress reports

// The first bar whose date-time or prices differ between `a` and `b` (the
// shorter one's size when it is the other's beginning). Bit for bit: a NaN
// price equals itself.
int32_t FirstDifference(const BarColumns& a, const BarColumns& b) {
    const auto same = [](float x, float y) { return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(y); };
    const int32_t common = std::min(a.size(), b.size());
    for (int32_t bar = 0; bar < common; ++bar) {
        const auto i = static_cast<size_t>(bar);
        if (a.dateTimes[i] != b.dateTimes[i] || !same(a.open[i], b.open[i]) || !same(a.high[i], b.high[i]) ||
            !same(a.low[i], b.low[i]) || !same(a.close[i], b.close[i]))
            return bar;
    }
    return common;
}

}  // namespace

ChartSession::ChartSession(BarColumns bars, StudyFunction study, const SessionOptions& options)
    : chart_(std::make_unique<Chart>()), options_(options) {
    if (options.timeframe) {
        aggregator_.emplace(*options.timeframe, CheckTimeframeFits(bars, *options.timeframe));
        chart_->bars = aggregator_->Start(bars);
    } else {
        chart_->bars = std::move(bars);
    }
    pricesPositive_ = std::all_of(chart_->bars.low.begin(), chart_->bars.low.end(), [](float low) { return low > 0; });
    InstanceOptions instance;
    instance.valueFormat = options.valueFormat;
    study_ = std::make_unique<StudyInstance>(*chart_, study, options.studyIdentifier, instance);
    if (options_.prepareRecord) options_.prepareRecord(study_->record());
}

void ChartSession::Start(const StudySettings& settings) {
    study_->CallDefaults();
    ApplyStudySettings(*study_, settings);
    FullRecalculation();
}

void ChartSession::FullRecalculation() { Recalculate(0); }

void ChartSession::PlayTicks(int64_t count, uint64_t seed) {
    if (chart_->bars.size() == 0) return;  // no last price to move
    SplitMix64 random(seed);
    for (int64_t i = 0; i < count; ++i) {
        if (options_.progress && i % kProgressEvery == 0 && i > 0) options_.progress("real-time updates", i, count);
        const uint64_t draw = random.Next();
        if (draw % kNewBarOneIn == 0) {
            // The new bar follows the last at the source bars' spacing (a minute when none is known).
            const float open = chart_->bars.close.back();
            const int64_t step =
                aggregator_ && aggregator_->spacing().smallest > 0 ? aggregator_->spacing().smallest : kOneMinute;
            const int64_t last = aggregator_ ? aggregator_->lastSource().dateTime : chart_->bars.dateTimes.back();
            AppendBar(Bar{last + step, open, open, open, open, 0});
            continue;
        }
        // A step of -2 .. +2 ticks from the last close, kept on the grid (and above zero when the bars are).
        const int64_t step = static_cast<int64_t>((draw >> 8) % 5) - 2;
        const double tick = options_.tickSize;
        const int64_t gridIndex = std::llround(static_cast<double>(chart_->bars.close.back()) / tick);
        const int64_t next = pricesPositive_ ? std::max<int64_t>(gridIndex + step, 1) : gridIndex + step;
        UpdateLastBar(static_cast<float>(static_cast<double>(next) * tick));
    }
}

void ChartSession::Push(int32_t button, int32_t kind) {
    // A click on a pushed button releases it, as a platform's toggle does;
    // the study hears the off event. Pushing is the study's to show.
    if (kind == kButtonPushedOff && button >= 1 && button <= ControlBar::kSlotCount)
        chart_->controlBar.buttons()[static_cast<size_t>(button)].Pushed = 0;
    chart_->pendingEvent = ButtonEvent{button, kind};
    if (chart_->bars.size() > 0) CallAndReact(chart_->bars.size() - 1);
}

int32_t ChartSession::sourceBars() const { return aggregator_ ? aggregator_->sourceCount() : chart_->bars.size(); }

int64_t ChartSession::drawingPasses() const {
    return chart_->drawings.ClearsOf(study_->studyIdentifier()) - hostClears_;
}

void ChartSession::CallAndReact(int32_t bar) {
    study_->CallBar(bar);
    change_.SeriesFrom(bar);
    if (study_->TakeRecalculationRequest() && options_.maxChainedRecalculations > 0) Recalculate(1);
}

void ChartSession::Recalculate(int32_t requestsHonoured) {
    for (;;) {
        const bool mayRestart = requestsHonoured < options_.maxChainedRecalculations;
        if (!RecalculationPass(mayRestart)) return;
        if (!mayRestart) {
            warnings_.push_back(
                fmt::format("the study kept asking for a recalculation; stopped after {} in a row", requestsHonoured));
            return;
        }
        ++requestsHonoured;
    }
}

bool ChartSession::RecalculationPass(bool stopOnRequest) {
    ResetStudyOutput();
    change_.SeriesFrom(0);
    const auto started = std::chrono::steady_clock::now();
    bool asked = false;
    for (int32_t bar = 0; bar < chart_->bars.size(); ++bar) {
        study_->CallBar(bar);
        if (study_->TakeRecalculationRequest()) {
            asked = true;
            if (stopOnRequest) return true;
        }
        if (options_.progress && (bar + 1) % kProgressEvery == 0)
            options_.progress("recalculating", bar + 1, chart_->bars.size());
    }
    lastRecalculationTime_ = std::chrono::steady_clock::now() - started;
    lastRecalculationBars_ = chart_->bars.size();
    ++fullRecalculations_;
    return asked;
}

// A recalculation starts from a blank slate, as the platform's does: series
// show "no value" until written again, and the study's drawings go (so a grid
// switched off disappears).
void ChartSession::ResetStudyOutput() {
    for (StudySubgraph& subgraph : study_->subgraphs()) {
        HostArray<float>& series = subgraph.Series;
        if (series.Data != nullptr && series.Count > 0)
            std::fill_n(series.Data, series.Count, std::numeric_limits<float>::quiet_NaN());
    }
    if (!chart_->drawings.DrawingsOf(study_->studyIdentifier()).empty()) {
        chart_->drawings.ClearStudy(study_->studyIdentifier());
        ++hostClears_;
    }
}

void ChartSession::UpdateLastBar(float price) {
    if (aggregator_) {
        Bar source = aggregator_->lastSource();
        source.close = price;
        source.high = std::max(source.high, price);
        source.low = std::min(source.low, price);
        aggregator_->ReviseLastSource(source);
        SetLastBar(aggregator_->lastBucket());
        return;
    }
    BarColumns& bars = chart_->bars;
    change_.BarsFrom(bars.size() - 1);
    bars.close.back() = price;
    bars.high.back() = std::max(bars.high.back(), price);
    bars.low.back() = std::min(bars.low.back(), price);
    CallAndReact(bars.size() - 1);
}

void ChartSession::ChangeSettings(const StudySettings& settings) {
    try {
        ApplyStudySettings(*study_, settings);
    } catch (const SettingsError&) {
        FullRecalculation();
        throw;
    }
    FullRecalculation();
}

void ChartSession::AppendBar(const Bar& bar) {
    if (aggregator_ && aggregator_->Add(bar) == BarAggregator::Step::kRevised) {
        SetLastBar(aggregator_->lastBucket());
        return;
    }
    change_.BarsFrom(chart_->bars.size());
    chart_->bars.Append(aggregator_ ? aggregator_->lastBucket() : bar);
    if (chart_->bars.size() == 1) {
        FullRecalculation();
        return;
    }
    CallAndReact(chart_->bars.size() - 1);
}

void ChartSession::ReviseLastBar(const Bar& bar) {
    if (chart_->bars.size() == 0) return;
    if (aggregator_) {
        aggregator_->ReviseLastSource(bar);
        SetLastBar(aggregator_->lastBucket());
        return;
    }
    SetLastBar(bar);
}

void ChartSession::SetLastBar(const Bar& bar) {
    BarColumns& bars = chart_->bars;
    change_.BarsFrom(bars.size() - 1);
    bars.open.back() = bar.open;
    bars.high.back() = bar.high;
    bars.low.back() = bar.low;
    bars.close.back() = bar.close;
    bars.volume.back() = bar.volume;
    CallAndReact(bars.size() - 1);
}

ChartSession::BarTaken ChartSession::TakeBar(const Bar& bar) {
    const bool any = chart_->bars.size() > 0;
    const int64_t last = !any ? 0 : aggregator_ ? aggregator_->lastSource().dateTime : chart_->bars.dateTimes.back();
    if (any && bar.dateTime == last) {
        ReviseLastBar(bar);
        return BarTaken::kRevised;
    }
    if (any && bar.dateTime < last) return BarTaken::kOlder;
    AppendBar(bar);
    return BarTaken::kAppended;
}

void ChartSession::ReplaceBars(BarColumns bars) {
    BarColumns shown = aggregator_ ? aggregator_->Start(bars) : std::move(bars);
    change_.BarsFrom(FirstDifference(chart_->bars, shown));
    chart_->bars = std::move(shown);
    FullRecalculation();
}

void ChartSession::ChangeTimeframe(const std::optional<TimeframeBuckets>& timeframe, BarColumns sources) {
    std::optional<BarAggregator> aggregator;
    if (timeframe) aggregator.emplace(*timeframe, CheckTimeframeFits(sources, *timeframe));
    aggregator_ = aggregator;
    options_.timeframe = timeframe;
    ReplaceBars(std::move(sources));
}

}  // namespace kovra::host
