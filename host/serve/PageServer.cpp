#include "host/serve/PageServer.h"

#include <httplib.h>

#include <charconv>
#include <functional>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>

#include "host/render/ChartImage.h"
#include "host/serve/RequestBodies.h"
#include "host/serve/RequestGuard.h"
#include "host/serve/WebAssets.h"

namespace kovra::host {

namespace {

using httplib::DataSink;
using httplib::Request;
using httplib::Response;

constexpr const char* kPlainText = "text/plain; charset=utf-8";
constexpr auto kPingInterval = std::chrono::seconds(1);
constexpr size_t kMaxRequestBytes = 64 * 1024;
constexpr int32_t kMaxButton = ControlBar::kSlotCount;

// The one inline style the page runs: the stylesheet the chart library adds
// for its attribution link (its text's SHA-256; the page tests fail on a
// refused style, so a library update that changes it is seen at once).
constexpr const char* kChartLibraryStyle = "'sha256-3pRED1tOXas1FXFoPb9TGCjmYe9XQsmO9OV23khV2nY='";

// On every answer: the page runs only its own scripts and styles, talks only
// to this server, is never framed, and leaks no address; no answer is read
// as another type than it says, nor used by a page of another site.
const httplib::Headers& SecurityHeaders() {
    static const httplib::Headers headers{
        {"Content-Security-Policy",
         fmt::format("default-src 'none'; script-src 'self'; style-src 'self' {}; img-src 'self' data:; "
                     "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'",
                     kChartLibraryStyle)},
        {"X-Frame-Options", "DENY"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cross-Origin-Resource-Policy", "same-origin"},
    };
    return headers;
}

void Refuse(Response& response, int status, const std::string& reason) {
    response.status = status;
    response.set_content(reason + "\n", kPlainText);
}

// A reply body can be large (the whole state); it is sent from the engine's
// copy. A refusal is set as plain content, which the error handler keeps.
void Send(Response& response, const EngineReply& reply) {
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    if (reply.status >= 400) return response.set_content(*reply.body, reply.contentType);
    std::shared_ptr<const std::string> body = reply.body;
    response.set_content_provider(
        body->size(), reply.contentType,
        [body](size_t offset, size_t length, DataSink& sink) { return sink.write(body->data() + offset, length); });
}

std::string_view ContentTypeOf(std::string_view path) {
    const auto endsWith = [path](std::string_view end) {
        return path.size() >= end.size() && path.substr(path.size() - end.size()) == end;
    };
    // Types with a charset parameter are sent as they are, never compressed on the fly.
    if (path == "/" || endsWith(".html")) return "text/html; charset=utf-8";
    if (endsWith(".js")) return "application/javascript; charset=utf-8";
    if (endsWith(".css")) return "text/css; charset=utf-8";
    return kPlainText;
}

template <typename Integer>
bool ParseWhole(std::string_view text, Integer& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// An integer query parameter; nullopt when absent. Throws std::invalid_argument when malformed.
std::optional<int32_t> IntegerParameter(const Request& request, const char* name) {
    if (!request.has_param(name)) return std::nullopt;
    int32_t value = 0;
    if (!ParseWhole(request.get_param_value(name), value))
        throw std::invalid_argument(fmt::format("'{}' must be a whole number", name));
    return value;
}

// A required integer query parameter from `low` to `high`; throws std::invalid_argument otherwise.
int32_t IntegerWithin(const Request& request, const char* name, int64_t low, int64_t high) {
    const std::optional<int32_t> value = IntegerParameter(request, name);
    if (!value || *value < low || *value > high)
        throw std::invalid_argument(fmt::format("'{}' must be a whole number from {} to {}", name, low, high));
    return *value;
}

ImageOptions PictureOptions(const Request& request) {
    const std::optional<int32_t> first = IntegerParameter(request, "first"), last = IntegerParameter(request, "last");
    if (first.has_value() != last.has_value()) throw std::invalid_argument("give both 'first' and 'last', or neither");
    ImageOptions options;
    options.width = IntegerParameter(request, "width").value_or(kDefaultImageWidth);
    options.height = IntegerParameter(request, "height").value_or(kDefaultImageHeight);
    if (first) options.window = BarWindow{*first, *last};
    return options;
}

bool WriteText(DataSink& sink, const std::string& text) { return sink.write(text.data(), text.size()); }

// A route that names what is not there (an instrument by a name none has).
struct NothingThere : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A hub's events as Server-Sent Events: a hello with the version and the
// server's run, then each event, pings while there is none.
void StreamEvents(Response& response, EventHub& hub, const std::string& instance) {
    const uint64_t stream = hub.OpenStream();
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        "text/event-stream",
        [&hub, &instance, stream, seen = hub.version(), greeted = false](size_t, DataSink& sink) mutable {
            if (!greeted) {
                greeted = true;
                return WriteText(
                    sink, fmt::format("retry: 1000\nevent: hello\ndata: {{\"version\":{},\"instance\":\"{}\"}}\n\n",
                                      seen, instance));
            }
            std::vector<ChartEvent> events;
            switch (hub.Wait(stream, seen, kPingInterval, events)) {
                case EventHub::Wake::kStopped:
                    sink.done();
                    return true;
                case EventHub::Wake::kReplaced:
                    WriteText(sink, "event: replaced\ndata: {}\n\n");
                    sink.done();
                    return true;
                case EventHub::Wake::kTimeout:
                    return WriteText(sink, ": ping\n\n");  // a closed tab fails here
                case EventHub::Wake::kEvents:
                    break;
            }
            for (const ChartEvent& event : events) {
                if (!WriteText(sink, fmt::format("event: {}\ndata: {}\n\n", event.name, event.data))) return false;
                seen = event.version;
            }
            return true;
        },
        [&hub, stream](bool) { hub.CloseStream(stream); });
}

using BodyHandler = std::function<void(const Request&, Response&, const std::string& body)>;

// A POST route given the request's body. A request with neither a length
// nor chunks has no body; it is not waited for (httplib would read one
// until the client gave up).
void Post(httplib::Server& server, const std::string& pattern, const BodyHandler& handler) {
    server.Post(pattern, [handler](const Request& request, Response& response, const httplib::ContentReader& read) {
        std::string body;
        if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
            read([&body](const char* data, size_t length) {
                body.append(data, length);
                return true;
            });
        }
        handler(request, response, body);
    });
}

}  // namespace

PageServer::PageServer(int port, const ConnectionLimits& limits) {
    LoopbackServer bound = BindLoopbackServer(port, limits);
    server_ = std::move(bound.server);
    port_ = bound.port;
    server_->set_payload_max_length(kMaxRequestBytes);
    server_->set_default_headers(SecurityHeaders());
    AddGuards();
    AddPage();
}

PageServer::PageServer(ChartEngine& engine, int port, const ConnectionLimits& limits) : PageServer(port, limits) {
    stopEvents_ = [&engine] { engine.events().Stop(); };
    AddChartRoutes("/api", "/picture.png", [&engine](const Request&) -> ChartRequests& { return engine; });
}

PageServer::PageServer(WorkspaceEngine& workspace, int port, const ConnectionLimits& limits)
    : PageServer(port, limits) {
    stopEvents_ = [&workspace] { workspace.Stop(); };
    AddWorkspaceRoutes(workspace);
    const std::string prefix = R"(/api/instruments/([^/]+))";
    AddChartRoutes(prefix, prefix + R"(/picture\.png)", [&workspace](const Request& request) -> ChartRequests& {
        const std::string name = request.matches[1].str();
        ChartRequests* chart = workspace.Chart(name);
        if (chart == nullptr) throw NothingThere(fmt::format("no instrument {}", name));
        return *chart;
    });
}

PageServer::~PageServer() { Stop(); }

void PageServer::Start() {
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void PageServer::Stop() {
    if (stopEvents_) stopEvents_();  // event streams end at once
    if (server_->is_running() || thread_.joinable()) server_->stop();
    if (thread_.joinable()) thread_.join();
}

void PageServer::AddGuards() {
    httplib::Server& server = *server_;
    server.set_pre_routing_handler([this](const Request& request, Response& response) {
        const std::optional<RequestRefusal> refusal = RefusalOf(request, port_);
        if (!refusal) return httplib::Server::HandlerResponse::Unhandled;
        Refuse(response, refusal->status, refusal->reason);
        response.set_header("Connection", "close");  // its body, never read, must not pass for the next request
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_error_handler([](const Request& request, Response& response) {
        if (!response.body.empty()) return;  // a refusal with its reason
        if (response.status == 404)
            Refuse(response, 404, fmt::format("nothing at {}", request.path));
        else
            Refuse(response, response.status, fmt::format("request refused ({})", response.status));
    });
    server.set_exception_handler([](const Request&, Response& response, const std::exception_ptr& error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::invalid_argument& bad) {
            Refuse(response, 400, bad.what());
        } catch (const NothingThere& missing) {
            Refuse(response, 404, missing.what());
        } catch (const std::exception& failure) {
            Refuse(response, 500, failure.what());
        } catch (...) {
            Refuse(response, 500, "unexpected failure");
        }
    });
}

void PageServer::AddPage() {
    httplib::Server& server = *server_;
    for (const WebAsset& asset : WebAssets()) {
        server.Get(std::string(asset.path), [&asset](const Request&, Response& response) {
            response.set_header("Cache-Control", "no-cache");
            response.set_content(asset.body.data(), asset.body.size(), std::string(ContentTypeOf(asset.path)));
        });
    }
}

// One chart's routes, each under `prefix` (a pattern; its groups come first in
// a request's matches), its picture at `picture`.
void PageServer::AddChartRoutes(const std::string& prefix, const std::string& picture, const ChartOf& chartOf) {
    httplib::Server& server = *server_;
    // Every bar, or those near the page's view (bars=N, until=S).
    server.Get(prefix + "/state", [chartOf](const Request& request, Response& response) {
        HeldBars held;
        held.count = IntegerParameter(request, "bars");
        if (held.count && *held.count < 0) throw std::invalid_argument("'bars' must be a whole number of bars");
        if (request.has_param("until")) {
            if (!held.count) throw std::invalid_argument("'until' needs 'bars'");
            int64_t until = 0;
            if (!ParseWhole(request.get_param_value("until"), until))
                throw std::invalid_argument("'until' must be whole seconds since 1970-01-01");
            held.untilSeconds = until;
        }
        Send(response, chartOf(request).State(held));
    });

    server.Get(prefix + "/events", [chartOf](const Request& request, Response& response) {
        ChartRequests& chart = chartOf(request);
        StreamEvents(response, chart.events(), chart.instance());
    });

    // For a page whose event stream was given to a newer page: what it
    // missed; everything, as one reload, when it follows another instance.
    server.Get(prefix + "/updates", [chartOf](const Request& request, Response& response) {
        ChartRequests& chart = chartOf(request);
        uint64_t after = 0;
        if (!ParseWhole(request.get_param_value("after"), after))
            throw std::invalid_argument("'after' must be the version the page has");
        const bool sameInstance =
            !request.has_param("instance") || request.get_param_value("instance") == chart.instance();
        const std::vector<ChartEvent> events =
            sameInstance ? chart.events().EventsAfter(after)
                         : std::vector<ChartEvent>{ChartEvent{chart.events().version(), "reload", "{}"}};
        std::string body = "[";
        for (const ChartEvent& event : events) {
            if (body.size() > 1) body += ",";
            body += fmt::format("{{\"event\":\"{}\",\"data\":{}}}", event.name, event.data);
        }
        body += "]";
        response.set_header("Cache-Control", "no-store");
        response.set_content(body, "application/json; charset=utf-8");
    });

    Post(server, prefix + R"(/button/(\d{1,9}))",
         [chartOf](const Request& request, Response& response, const std::string&) {
             int32_t button = 0;
             const std::string number = request.matches[request.matches.size() - 1].str();
             if (!ParseWhole(number, button) || button < 1 || button > kMaxButton)
                 throw std::invalid_argument(fmt::format("buttons are numbered 1 to {}", kMaxButton));
             const std::string state = request.has_param("state") ? request.get_param_value("state") : "on";
             if (state != "on" && state != "off") throw std::invalid_argument("'state' must be on or off");
             Send(response, chartOf(request).PushButton(button, state == "on" ? kButtonPushedOn : kButtonPushedOff));
         });

    Post(server, prefix + "/settings", [chartOf](const Request& request, Response& response, const std::string& body) {
        Send(response, chartOf(request).ChangeSettings(SettingsFromJson(body)));
    });

    Post(server, prefix + "/replay", [chartOf](const Request& request, Response& response, const std::string& body) {
        Send(response, chartOf(request).Replay(ReplayFromJson(body)));
    });

    Post(server, prefix + "/timeframe", [chartOf](const Request& request, Response& response, const std::string& body) {
        Send(response, chartOf(request).ChangeTimeframe(TimeframeFromJson(body)));
    });

    // The time axis's marks for the bars a page shows, as the picture marks them.
    server.Get(prefix + "/timemarks", [chartOf](const Request& request, Response& response) {
        const int32_t first = IntegerWithin(request, "first", 0, INT32_MAX);
        const int32_t last =
            IntegerWithin(request, "last", first, std::min<int64_t>(first + kMaxWindowSlots - 1, INT32_MAX));
        const int32_t width = IntegerWithin(request, "width", 1, kMaxImageSide);
        Send(response, chartOf(request).TimeMarks(first, last, width));
    });

    // The engine says what the picture shows; it is painted here, one at a
    // time, so the engine and every other request go on meanwhile.
    server.Get(picture, [this, chartOf](const Request& request, Response& response) {
        const ImageOptions options = PictureOptions(request);
        const int64_t pixels = int64_t{options.width} * options.height;
        if (pixels > kMaxPicturePixels)
            return Refuse(response, 413,
                          fmt::format("a picture has at most {} pixels ({}x{}); {}x{} has {}", kMaxPicturePixels,
                                      kPictureBoundWidth, kPictureBoundHeight, options.width, options.height, pixels));
        std::unique_lock painting(painting_, std::try_to_lock);
        if (!painting) {
            response.set_header("Retry-After", "1");
            return Refuse(response, 503, "another picture is being painted; try again in a moment");
        }
        std::variant<DisplayList, EngineReply> shown = chartOf(request).Picture(options);
        if (const EngineReply* refusal = std::get_if<EngineReply>(&shown)) return Send(response, *refusal);
        Send(response, EngineReply{200, "image/png",
                                   std::make_shared<const std::string>(
                                       PaintDisplayList(std::get<DisplayList>(shown), "view.png"))});
    });
}

void PageServer::AddWorkspaceRoutes(WorkspaceEngine& workspace) {
    httplib::Server& server = *server_;
    server.Get("/api/instruments",
               [&workspace](const Request&, Response& response) { Send(response, workspace.Instruments()); });
    server.Get("/api/workspace/events", [&workspace](const Request&, Response& response) {
        StreamEvents(response, workspace.events(), workspace.instance());
    });
    server.Get("/api/alerts", [&workspace](const Request& request, Response& response) {
        int64_t after = 0;
        if (request.has_param("after") && !ParseWhole(request.get_param_value("after"), after))
            throw std::invalid_argument("'after' must be an alert's event number");
        Send(response, workspace.AlertsAfter(after));
    });
    Post(server, R"(/api/instruments/([^/]+)/alert-lines)",
         [&workspace](const Request& request, Response& response, const std::string& body) {
             Send(response, workspace.ChooseAlertLines(request.matches[1].str(), AlertLinesFromJson(body)));
         });
}

}  // namespace kovra::host
