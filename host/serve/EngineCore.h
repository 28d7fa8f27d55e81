// What every engine of the server has before anything else: the queue the
// HTTP threads hand it requests through, its first event hub (the chart's,
// or the workspace's), and the name of this run of the server.
#pragma once

#include <string>

#include "host/serve/EngineQueue.h"
#include "host/serve/EventHub.h"

namespace kovra::host {

struct EngineCore {
    EngineCore();

    EngineQueue queue;
    EventHub hub{1};
    // 64 random bits as 16 hex digits: two runs of the server never share one.
    const std::string instanceName;
};

}  // namespace kovra::host
