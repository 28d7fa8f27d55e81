// What the routes of one chart ask of it, from the HTTP threads: each
// request waits in the engine's queue until the engine thread has found the
// chart and answered.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "host/render/ChartImage.h"
#include "host/runtime/StudySettings.h"
#include "host/serve/EngineChart.h"
#include "host/serve/EngineQueue.h"
#include "host/serve/EventHub.h"

namespace kovra::host {

class ChartRequests {
public:
    // Run on the engine thread: the chart, or why there is none to answer.
    using Find = std::function<std::variant<EngineChart*, EngineReply>()>;

    // `queue`, `events` and `instance` outlive the requests.
    ChartRequests(EngineQueue& queue, Find find, EventHub& events, const std::string& instance)
        : queue_(queue), find_(std::move(find)), events_(events), instance_(instance) {}

    // Each waits for the engine's reply; 503 when the queue is full or the engine stops.
    EngineReply State(const HeldBars& held = {});
    EngineReply PushButton(int32_t button, int32_t kind);
    EngineReply ChangeSettings(StudySettings settings);
    EngineReply Replay(ReplayRequest request);
    EngineReply ChangeTimeframe(std::optional<Timeframe> timeframe);
    // What the picture shows, ready to paint: painting (the slow part) is the
    // caller's, off the engine thread.
    std::variant<DisplayList, EngineReply> Picture(const ImageOptions& options);
    EngineReply TimeMarks(int32_t firstBar, int32_t lastBar, int32_t width);

    // The chart's changes as they happen (the event stream's source).
    EventHub& events() { return events_; }
    // Names this run of the server among every other, so a page reconnecting
    // to a restarted server knows its state is from another one.
    const std::string& instance() const { return instance_; }

private:
    EngineReply Ask(std::function<EngineReply(EngineChart&)> job);

    EngineQueue& queue_;
    Find find_;
    EventHub& events_;
    const std::string& instance_;
};

}  // namespace kovra::host
