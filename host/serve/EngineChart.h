// One chart as the engine thread runs it: its replay over the source bars,
// its followed bar file, its timeframe, and what its pages are sent after
// every change. Every call is made on the engine thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/bars/BarsCsv.h"
#include "host/bars/Timeframe.h"
#include "host/render/ChartImage.h"
#include "host/runtime/StudySettings.h"
#include "host/serve/ChartHolder.h"
#include "host/serve/EngineQueue.h"
#include "host/serve/EventHub.h"
#include "host/serve/FollowedFile.h"
#include "host/serve/StateJson.h"

namespace kovra::host {

struct ReplayRequest {
    enum class Action { kNone, kPlay, kPause, kStep };
    std::optional<int32_t> startBar;  // start over showing bars 0 .. startBar-1 (paused)
    std::optional<double> speed;      // bars per second
    Action action = Action::kNone;
};

inline constexpr double kMinReplaySpeed = 0.1, kMaxReplaySpeed = 1000;

// What a chart is fed from besides its session.
struct ChartFeed {
    BarColumns bars;  // every source bar the replay may show; the session shows the first sourceBars()
    // Instead, the chart's own bars are the source bars (`bars` left empty),
    // until a timeframe or a replay needs them apart: a chart of many saves a copy.
    bool barsOnChart = false;
    bool playing = false;
    double speed = 1;                              // bars per second, kMinReplaySpeed .. kMaxReplaySpeed
    int32_t maxBars = 0;                           // the chart keeps at most this many bars; 0: no limit
    std::unique_ptr<FollowedFile> followed;        // null: no file followed
    std::optional<Timeframe> timeframe;            // the session's; unset: the bars as they are
    int64_t dayStart = 0;                          // of every timeframe the page switches to
    std::function<void(const std::string&)> warn;  // one line for the user
};

class EngineChart {
public:
    using Clock = std::chrono::steady_clock;

    // `holder`, `events` and `instance` outlive the chart. The session's
    // changes so far are taken: the first state holds them.
    EngineChart(ChartHolder& holder, ChartFeed feed, EventHub& events, const std::string& instance);

    EngineReply State(const HeldBars& held);
    EngineReply PushButton(int32_t button, int32_t kind);
    EngineReply ChangeSettings(const StudySettings& settings);
    EngineReply Replay(const ReplayRequest& request);
    // The chart in another timeframe (unset: the bars as they are), made from
    // the source bars on the chart; a 400 refusal for one the bars do not fit.
    EngineReply ChangeTimeframe(const std::optional<Timeframe>& timeframe);
    // What the picture with these options shows, into `list`; a 400 refusal
    // for a size or window out of range.
    EngineReply Picture(const ImageOptions& options, DisplayList& list);
    // The time axis's marks for bars firstBar .. lastBar shown across `width`
    // pixels, as the picture marks them. Preconditions: firstBar <= lastBar, width > 0.
    EngineReply TimeMarks(int32_t firstBar, int32_t lastBar, int32_t width);

    // The replay's next bar and the followed file's new lines, when due.
    void RunDue(Clock::time_point now);
    // When RunDue has something to do next; nullopt: nothing until a request.
    std::optional<Clock::time_point> NextWake() const;

    const ChartSession& session() const { return holder_.session(); }
    // Told after every change the pages are sent.
    void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    static Clock::duration StepInterval(double speed);  // between replay steps

    EngineReply Ok();
    StateHeader HeaderNow() const;
    const BarColumns& Sources() const { return feed_.barsOnChart ? holder_.session().chart().bars : feed_.bars; }
    void SeparateSources();
    bool StepReplay();
    void TakeAppended(const std::vector<Bar>& bars);
    void TakeReloaded(const BarColumns& bars);
    void ReplaceBars(BarColumns bars);
    void KeepWithinMaxBars();
    void Publish();

    ChartHolder& holder_;
    ChartFeed feed_;
    EventHub& events_;
    const std::string& instance_;
    int32_t shown_ = 0;  // bars of feed_.bars on the chart
    std::function<void()> changed_;

    // What the drawings the pages were last sent came from.
    struct DrawingsStamp {
        int64_t submissions = -1, clears = -1;
        int32_t bars = -1;
        bool operator==(const DrawingsStamp&) const = default;
    } sentDrawings_;
    uint64_t version_;
    // The state at version_ from bar stateFrom_ on, once asked for: pages
    // asking alike (the usual case) share it.
    std::shared_ptr<const std::string> stateJson_;
    int32_t stateFrom_ = 0;

    Clock::time_point nextStep_{};
    Clock::time_point nextFollow_{};
};

}  // namespace kovra::host
