#include "host/serve/ChartEngine.h"

#include <algorithm>
#include <random>

#include <fmt/format.h>

#include "host/render/ChartImage.h"
#include "host/render/TimeMarks.h"
#include "host/serve/StateJson.h"

namespace kovra::host {

namespace {

constexpr auto kFollowInterval = std::chrono::milliseconds(250);

// 64 random bits as 16 hex digits: two runs of the server never share one.
std::string NewInstance() {
    std::random_device random;
    const uint64_t bits = (static_cast<uint64_t>(random()) << 32) ^ random();
    return fmt::format("{:016x}", bits);
}

}  // namespace

ChartEngine::ChartEngine(EngineSetup setup)
    : setup_(std::move(setup)), instance_(NewInstance()), shown_(setup_.session->sourceBars()), events_(1) {
    Publish();  // takes the session's changes so far: the first state holds them
    nextStep_ = Clock::now() + StepInterval(setup_.speed);
    thread_ = std::thread([this] { Run(); });
}

ChartEngine::~ChartEngine() { Stop(); }

void ChartEngine::Stop() {
    queue_.Stop();
    if (thread_.joinable()) thread_.join();
    events_.Stop();
}

void ChartEngine::Run() {
    while (std::optional<EngineQueue::Task> job = queue_.Next(NextWake())) {
        if (job->valid()) (*job)();
        RunDue();
    }
}

std::optional<ChartEngine::Clock::time_point> ChartEngine::NextWake() const {
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

EngineReply ChartEngine::PushButton(int32_t button, int32_t kind) {
    return queue_.Ask([this, button, kind] {
        setup_.session->Push(button, kind);
        Publish();
        return Ok();
    });
}

EngineReply ChartEngine::ChangeSettings(StudySettings settings) {
    return queue_.Ask([this, settings = std::move(settings)] {
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

EngineReply ChartEngine::ChangeTimeframe(std::optional<Timeframe> timeframe) {
    return queue_.Ask([this, timeframe] {
        std::optional<TimeframeBuckets> buckets;
        if (timeframe) buckets.emplace(*timeframe, setup_.dayStart);
        try {
            setup_.session->ChangeTimeframe(buckets, setup_.bars.Slice(0, shown_));
        } catch (const TimeframeError& error) {
            return Refusal(400, error.what());
        }
        setup_.timeframe = timeframe;
        Publish();
        return Ok();
    });
}

std::variant<DisplayList, EngineReply> ChartEngine::Picture(const ImageOptions& options) {
    // Filled by the engine thread; read here only once its reply says it finished.
    auto list = std::make_shared<DisplayList>();
    EngineReply reply = queue_.Ask([this, options, list] {
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
    return queue_.Ask([this, firstBar, lastBar, width] {
        const double pixelsPerBar = static_cast<double>(width) / (static_cast<int64_t>(lastBar) - firstBar + 1);
        const std::vector<TimeMark> marks = ChooseTimeMarks(setup_.session->chart().bars.dateTimes, firstBar, lastBar,
                                                            pixelsPerBar, kMinTimeMarkPixels);
        return JsonReply(FormatTimeMarksJson(marks));
    });
}

// Over the limit, the oldest eighth of it goes at once, so the study is
// recalculated once per so many new bars rather than on every one.
void ChartEngine::KeepWithinMaxBars() {
    const int32_t limit = setup_.maxBars;
    if (limit <= 0 || shown_ <= limit) return;
    const int32_t keep = std::max(limit - limit / 8, 1);
    const int32_t drop = shown_ - keep;
    setup_.bars = setup_.bars.Slice(drop, setup_.bars.size());
    shown_ = keep;
    setup_.session->ReplaceBars(setup_.bars.Slice(0, shown_));
}

}  // namespace kovra::host
