#include "host/serve/RequestGuard.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include <fmt/format.h>

namespace kovra::host {

namespace {

constexpr std::string_view kJson = "application/json";

bool OneOf(const std::string& value, int port, std::string_view prefix) {
    return value == fmt::format("{}127.0.0.1:{}", prefix, port) || value == fmt::format("{}localhost:{}", prefix, port);
}

bool ChangesState(const std::string& method) { return method != "GET" && method != "HEAD"; }

// The media type before any parameters, in lower case.
std::string MediaType(std::string type) {
    type.erase(std::find(type.begin(), type.end(), ';'), type.end());
    while (!type.empty() && std::isspace(static_cast<unsigned char>(type.back()))) type.pop_back();
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    return type;
}

bool HasBody(const httplib::Request& request) {
    return request.has_header("Transfer-Encoding") ||
           (request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0");
}

}  // namespace

std::optional<RequestRefusal> RefusalOf(const httplib::Request& request, int port) {
    if (!OneOf(request.get_header_value("Host"), port, ""))
        return RequestRefusal{403, "this server answers requests for 127.0.0.1 or localhost only"};
    if (!ChangesState(request.method)) return std::nullopt;
    // Browsers name the page that sends a request in Origin, and say whether
    // it is this server's own in Sec-Fetch-Site; a program sends neither.
    const bool foreignOrigin =
        request.has_header("Origin") && !OneOf(request.get_header_value("Origin"), port, "http://");
    const bool foreignSite =
        request.has_header("Sec-Fetch-Site") && request.get_header_value("Sec-Fetch-Site") != "same-origin";
    if (foreignOrigin || foreignSite)
        return RequestRefusal{403, "changes are accepted only from this server's own page"};
    if (HasBody(request) && MediaType(request.get_header_value("Content-Type")) != kJson)
        return RequestRefusal{415, fmt::format("a request body must be JSON, sent as Content-Type: {}", kJson)};
    return std::nullopt;
}

}  // namespace kovra::host
