// Which requests the page server answers at all. Every request must name the
// server by its loopback address, so a page of another site cannot reach it
// through a renamed host. A request that changes something (any but GET and
// HEAD) must come from the server's own page, or from a program that is no
// browser (one that sends none of a browser's origin headers), and a body it
// carries must be declared JSON: a web page elsewhere can send a form or a
// plain-text POST to any address without asking first, but not these.
#pragma once

#include <optional>
#include <string>

namespace httplib {
struct Request;
}

namespace kovra::host {

struct RequestRefusal {
    int status;          // 403 or 415
    std::string reason;  // one line for the client
};

// The refusal of a request to the server on 127.0.0.1:`port`, or nullopt to serve it.
std::optional<RequestRefusal> RefusalOf(const httplib::Request& request, int port);

}  // namespace kovra::host
