// The one thread that owns the chart session and the study while `kovra
// serve` runs. The HTTP threads hand it requests through a bounded queue and
// wait for the reply; it plays the replay, reads a followed bar file, and
// after every change publishes what the session says changed to the event hub.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "host/bars/Timeframe.h"
#include "host/render/ChartImage.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyLibrary.h"
#include "host/runtime/StudySettings.h"
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

struct EngineSetup {
    std::unique_ptr<StudyLibrary> library;  // outlives the session
    std::unique_ptr<ChartSession> session;  // started; its chart shows the first `shownBars` of `bars`
    BarColumns bars;                        // every bar the replay may show
    bool playing = false;
    double speed = 1;                              // bars per second, kMinReplaySpeed .. kMaxReplaySpeed
    int32_t maxBars = 0;                           // the chart keeps at most this many bars; 0: no limit
    std::unique_ptr<FollowedFile> followed;        // null: no file followed
    std::optional<Timeframe> timeframe;            // the session's; unset: the bars as they are
    int64_t dayStart = 0;                          // of every timeframe the page switches to
    std::function<void(const std::string&)> warn;  // one line for the user
};

class ChartEngine {
public:
    explicit ChartEngine(EngineSetup setup);
    ~ChartEngine();  // stops
    ChartEngine(const ChartEngine&) = delete;
    ChartEngine& operator=(const ChartEngine&) = delete;

    // Each waits for the engine's reply; 503 when the queue is full or the engine stops.
    EngineReply State();
    EngineReply PushButton(int32_t button, int32_t kind);
    EngineReply ChangeSettings(StudySettings settings);
    EngineReply Replay(ReplayRequest request);
    // The chart in another timeframe (unset: the bars as they are), made from
    // the source bars on the chart; a 400 refusal for one the bars do not fit.
    EngineReply ChangeTimeframe(std::optional<Timeframe> timeframe);
    // What the picture with these options shows, ready to paint: painting
    // (the slow part) is the caller's, off the engine thread. A 400 refusal
    // for a size or window out of range.
    std::variant<DisplayList, EngineReply> Picture(const ImageOptions& options);
    // The time axis's marks for bars firstBar .. lastBar shown across `width`
    // pixels, as the picture marks them. Preconditions: firstBar <= lastBar, width > 0.
    EngineReply TimeMarks(int32_t firstBar, int32_t lastBar, int32_t width);

    EventHub& events() { return events_; }
    // Names this engine among every other run of the server, so a page
    // reconnecting to a restarted server knows its state is from another one.
    const std::string& instance() const { return instance_; }

    // Ends the thread after the request it is handling; later requests get 503.
    void Stop();

private:
    using Clock = std::chrono::steady_clock;
    static Clock::duration StepInterval(double speed);  // between replay steps

    void Run();
    void RunDue();
    std::optional<Clock::time_point> NextWake() const;

    EngineReply Ok();
    StateHeader HeaderNow() const;
    EngineReply ReplayOn(const ReplayRequest& request);
    bool StepReplay();
    void TakeAppended(const std::vector<Bar>& bars);
    void TakeReloaded(const BarColumns& bars);
    void KeepWithinMaxBars();
    void Publish();

    EngineSetup setup_;
    const std::string instance_;
    int32_t shown_ = 0;  // bars of setup_.bars on the chart
    EventHub events_;

    // What the drawings the pages were last sent came from.
    struct DrawingsStamp {
        int64_t submissions = -1, clears = -1;
        int32_t bars = -1;
        bool operator==(const DrawingsStamp&) const = default;
    } sentDrawings_;
    uint64_t version_ = 1;
    std::shared_ptr<const std::string> stateJson_;  // the whole state at version_, once asked for

    Clock::time_point nextStep_{};
    Clock::time_point nextFollow_{};

    EngineQueue queue_;
    std::thread thread_;
};

}  // namespace kovra::host
