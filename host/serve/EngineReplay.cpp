// The replay: starting over at a bar, its speed, playing, pausing and
// stepping one bar at a time through the study's real-time path.
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/ChartEngine.h"

namespace kovra::host {

ChartEngine::Clock::duration ChartEngine::StepInterval(double speed) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / speed));
}

EngineReply ChartEngine::Replay(ReplayRequest request) {
    return queue_.Ask([this, request] { return ReplayOn(request); });
}

EngineReply ChartEngine::ReplayOn(const ReplayRequest& request) {
    if (request.startBar) {
        const int32_t known = setup_.bars.size();
        if (*request.startBar < 1 || *request.startBar > known)
            return Refusal(400, fmt::format("the start bar must be from 1 to {}", known));
        setup_.session->ReplaceBars(setup_.bars.Slice(0, *request.startBar));
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
        case ReplayRequest::Action::kPause:
            setup_.playing = false;
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

bool ChartEngine::StepReplay() {
    if (shown_ >= setup_.bars.size()) return false;
    setup_.session->AppendBar(setup_.bars.At(shown_));
    ++shown_;
    KeepWithinMaxBars();
    return true;
}

}  // namespace kovra::host
