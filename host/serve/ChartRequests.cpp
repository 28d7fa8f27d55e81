#include "host/serve/ChartRequests.h"

#include <memory>

namespace kovra::host {

EngineReply ChartRequests::Ask(std::function<EngineReply(EngineChart&)> job) {
    return queue_.Ask([this, job = std::move(job)] {
        std::variant<EngineChart*, EngineReply> found = find_();
        if (EngineReply* refusal = std::get_if<EngineReply>(&found)) return std::move(*refusal);
        return job(*std::get<EngineChart*>(found));
    });
}

EngineReply ChartRequests::State(const HeldBars& held) {
    return Ask([held](EngineChart& chart) { return chart.State(held); });
}

EngineReply ChartRequests::PushButton(int32_t button, int32_t kind) {
    return Ask([button, kind](EngineChart& chart) { return chart.PushButton(button, kind); });
}

EngineReply ChartRequests::ChangeSettings(StudySettings settings) {
    return Ask([settings = std::move(settings)](EngineChart& chart) { return chart.ChangeSettings(settings); });
}

EngineReply ChartRequests::Replay(ReplayRequest request) {
    return Ask([request](EngineChart& chart) { return chart.Replay(request); });
}

EngineReply ChartRequests::ChangeTimeframe(std::optional<Timeframe> timeframe) {
    return Ask([timeframe](EngineChart& chart) { return chart.ChangeTimeframe(timeframe); });
}

std::variant<DisplayList, EngineReply> ChartRequests::Picture(const ImageOptions& options) {
    // Filled by the engine thread; read here only once its reply says it finished.
    auto list = std::make_shared<DisplayList>();
    EngineReply reply = Ask([options, list](EngineChart& chart) { return chart.Picture(options, *list); });
    if (reply.status != 200) return reply;
    return std::move(*list);
}

EngineReply ChartRequests::TimeMarks(int32_t firstBar, int32_t lastBar, int32_t width) {
    return Ask([firstBar, lastBar, width](EngineChart& chart) { return chart.TimeMarks(firstBar, lastBar, width); });
}

}  // namespace kovra::host
