// The live page's HTTP server: the page's files, the chart state as JSON, its
// changes as Server-Sent Events, and the requests that push buttons, change
// settings, drive the replay and export the picture. Binds 127.0.0.1 only;
// changes are taken from its own page only (RequestGuard.h), and every
// connection is bounded in time (BoundedConnections.h).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "host/serve/BoundedConnections.h"
#include "host/serve/ChartEngine.h"

namespace httplib {
class Server;
}

namespace kovra::host {

class PageServer {
public:
    // Binds 127.0.0.1:port (0: any free port). Throws std::runtime_error when it cannot.
    PageServer(ChartEngine& engine, int port, const ConnectionLimits& limits = {});
    ~PageServer();  // stops
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int port() const { return port_; }
    // Serves on a thread of its own until Stop.
    void Start();
    // Ends every event stream, stops listening and joins every thread.
    void Stop();

private:
    void AddGuards();
    void AddPageAndEvents();
    void AddChanges();
    void AddPictures();

    ChartEngine& engine_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::mutex painting_;  // one picture is painted at a time
    std::thread thread_;
};

}  // namespace kovra::host
