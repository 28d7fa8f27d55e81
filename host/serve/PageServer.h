// The live page's HTTP server: the page's files, the chart state as JSON, its
// changes as Server-Sent Events, and the requests that push buttons, change
// settings, drive the replay and export the picture. Binds 127.0.0.1 only.
#pragma once

#include <memory>
#include <thread>

#include "host/serve/ChartEngine.h"

namespace httplib {
class Server;
}

namespace kovra::host {

class PageServer {
public:
    static constexpr int kThreads = 24;  // four event streams and the browsers' other connections

    // Binds 127.0.0.1:port (0: any free port). Throws std::runtime_error when it cannot.
    PageServer(ChartEngine& engine, int port);
    ~PageServer();  // stops
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int port() const { return port_; }
    // Serves on a thread of its own until Stop.
    void Start();
    // Ends every event stream, stops listening and joins every thread.
    void Stop();

private:
    void AddRoutes();

    ChartEngine& engine_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace kovra::host
