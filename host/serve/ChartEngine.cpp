#include "host/serve/ChartEngine.h"

namespace kovra::host {

ChartEngine::ChartEngine(EngineSetup setup)
    : ChartRequests(
          queue, [this]() -> std::variant<EngineChart*, EngineReply> { return &chart_; }, hub, instanceName),
      library_(std::move(setup.library)),
      holder_(std::move(setup.session)),
      chart_(holder_, std::move(static_cast<ChartFeed&>(setup)), hub, instanceName) {
    thread_ = std::thread([this] { Run(); });
}

ChartEngine::~ChartEngine() { Stop(); }

void ChartEngine::Stop() {
    queue.Stop();
    if (thread_.joinable()) thread_.join();
    hub.Stop();
}

void ChartEngine::Run() {
    while (std::optional<EngineQueue::Task> job = queue.Next(chart_.NextWake())) {
        if (job->valid()) (*job)();
        chart_.RunDue(EngineChart::Clock::now());
    }
}

}  // namespace kovra::host
