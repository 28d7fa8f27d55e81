// The live page's HTTP server: the page's files, the chart state as JSON, its
// changes as Server-Sent Events, and the requests that push buttons, change
// settings, drive the replay and export the picture; for a workspace, every
// instrument's chart by its name, the watchlist and the alerts. Binds 127.0.0.1 only;
// changes are taken from its own page only (RequestGuard.h), and every
// connection is bounded in time (BoundedConnections.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/serve/BoundedConnections.h"
#include "host/serve/ChartEngine.h"
#include "host/serve/WorkspaceEngine.h"

namespace httplib {
class Server;
struct Request;
}  // namespace httplib

namespace kovra::host {

class PageServer {
public:
    // Binds 127.0.0.1:port (0: any free port). Throws std::runtime_error when it cannot.
    // One chart: its routes under /api.
    PageServer(ChartEngine& engine, int port, const ConnectionLimits& limits = {});
    // A workspace: its own routes, and each instrument's chart routes under
    // /api/instruments/NAME.
    PageServer(WorkspaceEngine& workspace, int port, const ConnectionLimits& limits = {});
    ~PageServer();  // stops
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int port() const { return port_; }
    // Serves on a thread of its own until Stop.
    void Start();
    // Ends every event stream, stops listening and joins every thread.
    void Stop();

private:
    // The chart a request names; throws when it names none.
    using ChartOf = std::function<ChartRequests&(const httplib::Request&)>;

    PageServer(int port, const ConnectionLimits& limits);
    void AddGuards();
    void AddPage();
    void AddChartRoutes(const std::string& prefix, const std::string& picture, const ChartOf& chartOf);
    void AddWorkspaceRoutes(WorkspaceEngine& workspace);

    std::function<void()> stopEvents_;  // every event hub the routes stream from
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::mutex painting_;  // one picture is painted at a time
    std::thread thread_;
};

}  // namespace kovra::host
