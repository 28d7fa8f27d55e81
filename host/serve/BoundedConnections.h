// The HTTP server of `kovra serve` with every connection bounded in time: a
// request must arrive whole within a deadline however slowly its bytes
// trickle in, an idle kept-alive connection closes, and a reply the client
// stops reading ends its connection. So slow or idle clients cannot hold the
// threads that answer everyone else.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

namespace httplib {
class Server;
}

namespace kovra::host {

struct ConnectionLimits {
    // Connections served at once; more wait their turn. Room for the four
    // event streams, a few browsers' other connections and slow clients
    // waiting out their deadline.
    size_t threads = 64;
    std::chrono::milliseconds requestDeadline{5000};  // from a request's first byte to its last
    std::chrono::milliseconds idleTimeout{2000};      // a kept-alive connection waiting for its next request
    std::chrono::milliseconds writeTimeout{5000};     // a reply's bytes find no room in the connection
    size_t requestsPerConnection = 100;               // then the connection closes
};

struct LoopbackServer {
    std::unique_ptr<httplib::Server> server;
    int port;
};

// An httplib server (its routes are the caller's) bound to 127.0.0.1:`port`
// (0: any free port) with room for a burst of connections, serving each
// within `limits`. Stopping it ends every wait within a twentieth of a
// second. Throws std::runtime_error when the port cannot be had.
LoopbackServer BindLoopbackServer(int port, const ConnectionLimits& limits);

}  // namespace kovra::host
