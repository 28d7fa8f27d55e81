#include "host/serve/EngineChart.h"

#include <algorithm>

#include <fmt/format.h>

#include "host/render/TimeMarks.h"

namespace kovra::host {

namespace {

constexpr auto kFollowInterval = std::chrono::milliseconds(250);

}  // namespace

EngineChart::EngineChart(ChartHolder& holder, ChartFeed feed, EventHub& events, const std::string& instance)
    : holder_(holder),
      feed_(std::move(feed)),
      events_(events),
      instance_(instance),
      shown_(holder.session().sourceBars()),
      version_(events.version()) {
    Publish();
    nextStep_ = Clock::now() + StepInterval(feed_.speed);
}

std::optional<EngineChart::Clock::time_point> EngineChart::NextWake() const {
    std::optional<Clock::time_point> next;
    if (feed_.playing) next = nextStep_;
    if (feed_.followed) next = next ? std::min(*next, nextFollow_) : nextFollow_;
    return next;
}

void EngineChart::RunDue(Clock::time_point now) {
    bool changed = false;
    if (feed_.followed && now >= nextFollow_) {
        nextFollow_ = now + kFollowInterval;
        const FollowedChange change = feed_.followed->ReadChanges();
        if (change.reloaded) TakeReloaded(*change.reloaded);
        if (!change.appended.empty()) TakeAppended(change.appended);
        changed = change.reloaded || !change.appended.empty();
    }
    if (feed_.playing && now >= nextStep_) {
        const Clock::duration interval = StepInterval(feed_.speed);
        nextStep_ = std::max(nextStep_ + interval, now);
        if (!StepReplay()) feed_.playing = false;  // every bar is shown: the chart is live
        changed = true;
    }
    if (changed) Publish();
}

EngineReply EngineChart::PushButton(int32_t button, int32_t kind) {
    holder_.Push(button, kind);
    Publish();
    return Ok();
}

EngineReply EngineChart::ChangeSettings(const StudySettings& settings) {
    std::string problem;
    try {
        holder_.ChangeSettings(settings);
    } catch (const SettingsError& error) {
        const bool input = error.kind == SettingsError::Kind::kInput;
        problem = fmt::format("{}[{}]: {}", input ? "inputs" : "subgraphs", error.index, error.what());
    }
    Publish();
    return problem.empty() ? Ok() : Refusal(400, problem);
}

EngineReply EngineChart::ChangeTimeframe(const std::optional<Timeframe>& timeframe) {
    std::optional<TimeframeBuckets> buckets;
    if (timeframe) buckets.emplace(*timeframe, feed_.dayStart);
    try {
        holder_.session().ChangeTimeframe(buckets, feed_.bars.Slice(0, shown_));
    } catch (const TimeframeError& error) {
        return Refusal(400, error.what());
    }
    feed_.timeframe = timeframe;
    holder_.TimeframeChanged(timeframe);
    Publish();
    return Ok();
}

EngineReply EngineChart::Picture(const ImageOptions& options, DisplayList& list) {
    try {
        list = BuildDisplayList(holder_.session().study(), options);
        return Ok();
    } catch (const std::invalid_argument& error) {
        return Refusal(400, error.what());
    }
}

EngineReply EngineChart::TimeMarks(int32_t firstBar, int32_t lastBar, int32_t width) {
    const double pixelsPerBar = static_cast<double>(width) / (static_cast<int64_t>(lastBar) - firstBar + 1);
    const std::vector<TimeMark> marks =
        ChooseTimeMarks(holder_.session().chart().bars.dateTimes, firstBar, lastBar, pixelsPerBar, kMinTimeMarkPixels);
    return JsonReply(FormatTimeMarksJson(marks));
}

void EngineChart::ReplaceBars(BarColumns bars) {
    holder_.session().ReplaceBars(std::move(bars));
    holder_.BarsReplaced();
}

// Over the limit, the oldest eighth of it goes at once, so the study is
// recalculated once per so many new bars rather than on every one.
void EngineChart::KeepWithinMaxBars() {
    const int32_t limit = feed_.maxBars;
    if (limit <= 0 || shown_ <= limit) return;
    const int32_t keep = std::max(limit - limit / 8, 1);
    const int32_t drop = shown_ - keep;
    feed_.bars = feed_.bars.Slice(drop, feed_.bars.size());
    shown_ = keep;
    ReplaceBars(feed_.bars.Slice(0, shown_));
}

}  // namespace kovra::host
