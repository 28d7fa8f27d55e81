// The replay: starting over at a bar, its speed, playing, pausing and
// stepping one bar at a time through the study's real-time path.
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/EngineChart.h"

namespace kovra::host {

EngineChart::Clock::duration EngineChart::StepInterval(double speed) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / speed));
}

EngineReply EngineChart::Replay(const ReplayRequest& request) {
    if (request.startBar) {
        const int32_t known = feed_.bars.size();
        if (*request.startBar < 1 || *request.startBar > known)
            return Refusal(400, fmt::format("the start bar must be from 1 to {}", known));
        ReplaceBars(feed_.bars.Slice(0, *request.startBar));
        shown_ = *request.startBar;
        feed_.playing = false;
    }
    if (request.speed) feed_.speed = *request.speed;
    std::string problem;
    switch (request.action) {
        case ReplayRequest::Action::kPlay:
            feed_.playing = shown_ < feed_.bars.size();
            nextStep_ = Clock::now() + StepInterval(feed_.speed);
            if (!feed_.playing) problem = "every bar is shown already";
            break;
        case ReplayRequest::Action::kPause:
            feed_.playing = false;
            break;
        case ReplayRequest::Action::kStep:
            if (!StepReplay()) problem = "every bar is shown already";
            break;
        case ReplayRequest::Action::kNone:
            break;
    }
    Publish();
    return problem.empty() ? Ok() : Refusal(409, problem);
}

bool EngineChart::StepReplay() {
    if (shown_ >= feed_.bars.size()) return false;
    holder_.TakeBar(feed_.bars.At(shown_));
    ++shown_;
    KeepWithinMaxBars();
    return true;
}

}  // namespace kovra::host
