// The one thread that owns the chart session and the study while `kovra
// serve` shows one chart. The HTTP threads hand it requests through a bounded
// queue and wait for the reply (ChartRequests); it plays the replay, reads a
// followed bar file, and after every change publishes what the session says
// changed to the event hub (EngineChart).
#pragma once

#include <memory>
#include <thread>

#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyLibrary.h"
#include "host/serve/ChartHolder.h"
#include "host/serve/ChartRequests.h"
#include "host/serve/EngineChart.h"
#include "host/serve/EngineCore.h"

namespace kovra::host {

struct EngineSetup : ChartFeed {
    std::unique_ptr<StudyLibrary> library;  // outlives the session
    std::unique_ptr<ChartSession> session;  // started; its chart shows the first sourceBars() of `bars`
};

// EngineCore comes first: the requests refer to its queue, hub and instance.
class ChartEngine : private EngineCore, public ChartRequests {
public:
    explicit ChartEngine(EngineSetup setup);
    ~ChartEngine();  // stops
    ChartEngine(const ChartEngine&) = delete;
    ChartEngine& operator=(const ChartEngine&) = delete;

    // Ends the thread after the request it is handling; later requests get 503.
    void Stop();

private:
    void Run();

    std::unique_ptr<StudyLibrary> library_;
    SessionHolder holder_;
    EngineChart chart_;
    std::thread thread_;
};

}  // namespace kovra::host
