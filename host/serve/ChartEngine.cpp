#include "host/serve/ChartEngine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <random>

#include <fmt/format.h>

#include "host/text/DateTimeText.h"
#include "host/render/ChartImage.h"
#include "host/render/SeriesPlacement.h"
#include "host/render/TimeMarks.h"
#include "host/runtime/StudyOutputs.h"
#include "host/serve/StateJson.h"

namespace kovra::host {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kReplyTimeout = std::chrono::seconds(30);
constexpr auto kFollowInterval = std::chrono::milliseconds(250);
// Updates carry at most this many bars; a bigger change of the bars asks the
// pages to reload. (A recalculation sends every level value but no bars.)
constexpr int32_t kMaxUpdateBars = 512;

std::shared_ptr<const std::string> Text(std::string text) { return std::make_shared<const std::string>(std::move(text)); }

EngineReply Refusal(int status, const std::string& reason) {
    return EngineReply{status, "text/plain; charset=utf-8", Text(reason + "\n")};
}

template <typename Element>
bool SameBits(Element a, Element b) {
    if constexpr (sizeof(Element) == 4) return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
    else return a == b;
}

// The first index at which two columns differ (their common length when one is a prefix of the other).
template <typename Column>
size_t FirstDifference(const Column& a, const Column& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i)
        if (!SameBits(a[i], b[i])) return i;
    return common;
}

Clock::duration StepInterval(double speed) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / speed));
}

// 64 random bits as 16 hex digits: two runs of the server never share one.
std::string NewInstance() {
    std::random_device random;
    const uint64_t bits = (static_cast<uint64_t>(random()) << 32) ^ random();
    return fmt::format("{:016x}", bits);
}

}  // namespace

ChartEngine::ChartEngine(EngineSetup setup)
    : setup_(std::move(setup)), instance_(NewInstance()), shown_(setup_.session->sourceBars()), events_(1) {
    Publish();  // records what the first state holds
    nextStep_ = Clock::now() + StepInterval(setup_.speed);
    thread_ = std::thread([this] { Run(); });
}

ChartEngine::~ChartEngine() { Stop(); }

void ChartEngine::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    events_.Stop();
}

EngineReply ChartEngine::Ask(Job job) {
    std::packaged_task<EngineReply()> task(std::move(job));
    std::future<EngineReply> reply = task.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return Refusal(503, "the server is stopping");
        if (jobs_.size() >= kQueueCapacity) return Refusal(503, "the chart is busy; try again");
        jobs_.push_back(std::move(task));
    }
    wake_.notify_all();
    if (reply.wait_for(kReplyTimeout) != std::future_status::ready)
        return Refusal(503, "the chart did not answer in time");
    try {
        return reply.get();
    } catch (const std::future_error&) {
        return Refusal(503, "the server is stopping");
    } catch (const std::exception& error) {
        return Refusal(500, error.what());
    }
}

void ChartEngine::Run() {
    for (;;) {
        std::packaged_task<EngineReply()> job;
        {
            std::unique_lock lock(mutex_);
            const auto ready = [this] { return stopping_ || !jobs_.empty(); };
            if (const auto wakeAt = NextWake()) {
                wake_.wait_until(lock, *wakeAt, ready);
            } else {
                wake_.wait(lock, ready);
            }
            if (stopping_) {
                jobs_.clear();  // their askers hear the server is stopping
                return;
            }
            if (!jobs_.empty()) {
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
        }
        if (job.valid()) job();
        RunDue();
    }
}

std::optional<Clock::time_point> ChartEngine::NextWake() const {
    std::optional<Clock::time_point> next;
    if (setup_.playing) next = nextStep_;
    if (setup_.followed) next = next ? std::min(*next, nextFollow_) : nextFollow_;
    return next;
}

// The replay's next bar and the followed file's new lines, when due.
void ChartEngine::RunDue() {
    const Clock::time_point now = Clock::now();
    bool changed = false;
    if (setup_.followed && now >= nextFollow_) {
        nextFollow_ = now + kFollowInterval;
        const FollowedChange change = setup_.followed->ReadChanges();
        if (change.reloaded) TakeReloaded(*change.reloaded);
        if (!change.appended.empty()) TakeAppended(change.appended);
        changed = change.reloaded || !change.appended.empty();
    }
    if (setup_.playing && now >= nextStep_) {
        const Clock::duration interval = StepInterval(setup_.speed);
        nextStep_ = std::max(nextStep_ + interval, now);
        if (!StepReplay()) setup_.playing = false;  // every bar is shown: the chart is live
        changed = true;
    }
    if (changed) Publish();
}

EngineReply ChartEngine::Ok() {
    return EngineReply{200, "application/json; charset=utf-8", Text(fmt::format("{{\"version\":{}}}\n", version_))};
}

StateHeader ChartEngine::HeaderNow() const {
    StateHeader header;
    header.instance = instance_;
    header.version = version_;
    header.replay = ReplayStatus{setup_.playing, setup_.speed, setup_.bars.size()};
    return header;
}

EngineReply ChartEngine::State() {
    return Ask([this] {
        if (!stateJson_) stateJson_ = Text(FormatStateJson(setup_.session->study(), HeaderNow()));
        return EngineReply{200, "application/json; charset=utf-8", stateJson_};
    });
}

EngineReply ChartEngine::PushButton(int32_t button, int32_t kind) {
    return Ask([this, button, kind] {
        setup_.session->Push(button, kind);
        Publish();
        return Ok();
    });
}

EngineReply ChartEngine::ChangeSettings(StudySettings settings) {
    return Ask([this, settings = std::move(settings)] {
        std::string problem;
        try {
            setup_.session->ChangeSettings(settings);
        } catch (const SettingsError& error) {
            const bool input = error.kind == SettingsError::Kind::kInput;
            problem = fmt::format("{}[{}]: {}", input ? "inputs" : "subgraphs", error.index, error.what());
        }
        Publish();
        return problem.empty() ? Ok() : Refusal(400, problem);
    });
}

EngineReply ChartEngine::Replay(ReplayRequest request) {
    return Ask([this, request] { return ReplayOn(request); });
}

EngineReply ChartEngine::ReplayOn(const ReplayRequest& request) {
    if (request.startBar) {
        const int32_t known = setup_.bars.size();
        if (*request.startBar < 1 || *request.startBar > known)
            return Refusal(400, fmt::format("the start bar must be from 1 to {}", known));
        BarColumns shown;
        for (int32_t bar = 0; bar < *request.startBar; ++bar) shown.Append(setup_.bars.At(bar));
        setup_.session->ReplaceBars(std::move(shown));
        shown_ = *request.startBar;
        setup_.playing = false;
    }
    if (request.speed) setup_.speed = *request.speed;
    std::string problem;
    switch (request.action) {
        case ReplayRequest::Action::kPlay:
            setup_.playing = shown_ < setup_.bars.size();
            nextStep_ = Clock::now() + StepInterval(setup_.speed);
            if (!setup_.playing) problem = "every bar is shown already";
            break;
        case ReplayRequest::Action::kPause: setup_.playing = false; break;
        case ReplayRequest::Action::kStep:
            if (!StepReplay()) problem = "every bar is shown already";
            break;
        case ReplayRequest::Action::kNone: break;
    }
    Publish();
    return problem.empty() ? Ok() : Refusal(409, problem);
}

std::variant<DisplayList, EngineReply> ChartEngine::Picture(const ImageOptions& options) {
    // Filled by the engine thread; read here only once its reply says it finished.
    auto list = std::make_shared<DisplayList>();
    EngineReply reply = Ask([this, options, list] {
        try {
            *list = BuildDisplayList(setup_.session->study(), options);
            return Ok();
        } catch (const std::invalid_argument& error) {
            return Refusal(400, error.what());
        }
    });
    if (reply.status != 200) return reply;
    return std::move(*list);
}

EngineReply ChartEngine::TimeMarks(int32_t firstBar, int32_t lastBar, int32_t width) {
    return Ask([this, firstBar, lastBar, width] {
        const double pixelsPerBar = static_cast<double>(width) / (static_cast<int64_t>(lastBar) - firstBar + 1);
        const std::vector<TimeMark> marks = ChooseTimeMarks(setup_.session->chart().bars.dateTimes, firstBar, lastBar,
                                                            pixelsPerBar, kMinTimeMarkPixels);
        return EngineReply{200, "application/json; charset=utf-8", Text(FormatTimeMarksJson(marks))};
    });
}

bool ChartEngine::StepReplay() {
    if (shown_ >= setup_.bars.size()) return false;
    setup_.session->AppendBar(setup_.bars.At(shown_));
    ++shown_;
    KeepWithinMaxBars();
    return true;
}

// A bar of the same date-time as the last one revises it; a later one is a
// new bar. Both reach the chart at once unless a replay is still behind.
void ChartEngine::TakeAppended(const std::vector<Bar>& appended) {
    BarColumns& known = setup_.bars;
    for (const Bar& bar : appended) {
        const bool live = shown_ == known.size();
        if (known.size() > 0 && bar.dateTime == known.dateTimes.back()) {
            const int32_t last = known.size() - 1;
            known.open[last] = bar.open, known.high[last] = bar.high, known.low[last] = bar.low;
            known.close[last] = bar.close, known.volume[last] = bar.volume;
            if (live) setup_.session->ReviseLastBar(bar);
        } else if (known.size() == 0 || bar.dateTime > known.dateTimes.back()) {
            known.Append(bar);
            if (live) {
                setup_.session->AppendBar(bar);
                ++shown_;
            }
        } else {
            setup_.warn(fmt::format("an appended bar dated {} is older than the last bar ({}); skipped",
                                    FormatDateTime(bar.dateTime), FormatDateTime(known.dateTimes.back())));
        }
    }
    KeepWithinMaxBars();
}

// A followed file replaced or shortened: the chart starts over with its bars
// (its last maxBars), and the study recalculates.
void ChartEngine::TakeReloaded(const BarColumns& bars) {
    setup_.bars = {};
    for (int32_t bar = setup_.maxBars > 0 ? std::max(bars.size() - setup_.maxBars, 0) : 0; bar < bars.size(); ++bar)
        setup_.bars.Append(bars.At(bar));
    shown_ = setup_.bars.size();
    setup_.session->ReplaceBars(setup_.bars);
}

// Over the limit, the oldest eighth of it goes at once, so the study is
// recalculated once per so many new bars rather than on every one.
void ChartEngine::KeepWithinMaxBars() {
    const int32_t limit = setup_.maxBars;
    if (limit <= 0 || shown_ <= limit) return;
    const int32_t keep = std::max(limit - limit / 8, 1);
    const int32_t drop = shown_ - keep;
    BarColumns& known = setup_.bars;
    BarColumns kept;
    for (int32_t bar = drop; bar < known.size(); ++bar) kept.Append(known.At(bar));
    known = std::move(kept);
    shown_ = keep;
    BarColumns shown;
    for (int32_t bar = 0; bar < shown_; ++bar) shown.Append(known.At(bar));
    setup_.session->ReplaceBars(std::move(shown));
}

void ChartEngine::Publish() {
    const ChartSession& session = *setup_.session;
    const StudyInstance& study = session.study();
    const BarColumns& bars = session.chart().bars;
    const auto count = static_cast<size_t>(bars.size());

    // What the pages have is kept as sent, so a change is found by comparing.
    size_t barsFrom = count;
    barsFrom = std::min(barsFrom, FirstDifference(bars.dateTimes, sent_.bars.dateTimes));
    barsFrom = std::min(barsFrom, FirstDifference(bars.open, sent_.bars.open));
    barsFrom = std::min(barsFrom, FirstDifference(bars.high, sent_.bars.high));
    barsFrom = std::min(barsFrom, FirstDifference(bars.low, sent_.bars.low));
    barsFrom = std::min(barsFrom, FirstDifference(bars.close, sent_.bars.close));
    if (barsFrom < count || count != static_cast<size_t>(sent_.bars.size())) sent_.bars = bars;
    size_t seriesFrom = count;
    const std::span<const int32_t> levelSeries = LevelSeriesSubgraphs();
    sent_.series.resize(levelSeries.size());
    for (size_t line = 0; line < levelSeries.size(); ++line) {
        const int32_t subgraph = levelSeries[line];
        std::vector<float>& sent = sent_.series[line];
        size_t bar = 0;
        while (bar < count && bar < sent.size() &&
               SameBits(study.SeriesValue(subgraph, static_cast<int32_t>(bar)), sent[bar]))
            ++bar;
        seriesFrom = std::min(seriesFrom, bar);
        sent.resize(count);
        for (; bar < count; ++bar) sent[bar] = study.SeriesValue(subgraph, static_cast<int32_t>(bar));
    }
    // Drawings change only when the study submits or clears, or a text dated
    // by a date-time finds a new bar.
    const DrawingsStamp stamp{session.chart().drawings.SubmissionsOf(study.studyIdentifier()),
                              session.chart().drawings.ClearsOf(study.studyIdentifier()), bars.size()};
    const bool withDrawings = !(stamp == sentDrawings_);
    sentDrawings_ = stamp;

    ++version_;
    stateJson_.reset();
    StateHeader header = HeaderNow();
    if (count - barsFrom > static_cast<size_t>(kMaxUpdateBars)) {
        stateJson_ = Text(FormatStateJson(study, header));  // ready for the pages that will ask
        events_.Publish(ChartEvent{version_, "reload",
                                   fmt::format("{{\"version\":{},\"instance\":\"{}\"}}", version_, instance_)});
        return;
    }
    header.barsFrom = static_cast<int32_t>(barsFrom);
    header.seriesFrom = static_cast<int32_t>(seriesFrom);
    header.withDrawings = withDrawings;
    events_.Publish(ChartEvent{version_, "update", FormatStateJson(study, header)});
}

}  // namespace kovra::host
