#include "host/serve/PageServer.h"

#include <httplib.h>

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "host/render/ChartImage.h"
#include "host/serve/WebAssets.h"

namespace kovra::host {

namespace {

using httplib::DataSink;
using httplib::Request;
using httplib::Response;
using json = nlohmann::json;

constexpr const char* kLoopback = "127.0.0.1";
constexpr auto kPingInterval = std::chrono::seconds(1);
constexpr size_t kMaxRequestBytes = 64 * 1024;
constexpr size_t kMaxSettings = 64, kMaxSettingBytes = 256;
constexpr int32_t kMaxButton = ControlBar::kSlotCount;

void Refuse(Response& response, int status, const std::string& reason) {
    response.status = status;
    response.set_content(reason + "\n", "text/plain; charset=utf-8");
}

// A reply body can be large (the whole state); it is sent from the engine's copy.
void Send(Response& response, const EngineReply& reply) {
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    std::shared_ptr<const std::string> body = reply.body;
    response.set_content_provider(body->size(), reply.contentType,
                                  [body](size_t offset, size_t length, DataSink& sink) {
                                      return sink.write(body->data() + offset, length);
                                  });
}

std::string_view ContentTypeOf(std::string_view path) {
    const auto endsWith = [path](std::string_view end) {
        return path.size() >= end.size() && path.substr(path.size() - end.size()) == end;
    };
    // Types with a charset parameter are sent as they are, never compressed on the fly.
    if (path == "/" || endsWith(".html")) return "text/html; charset=utf-8";
    if (endsWith(".js")) return "application/javascript; charset=utf-8";
    if (endsWith(".css")) return "text/css; charset=utf-8";
    return "text/plain; charset=utf-8";
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

// Only requests addressed to this loopback server are served: a page of
// another site cannot reach it through a renamed host.
bool AddressedHere(const Request& request, int port) {
    const std::string host = request.get_header_value("Host");
    return host == fmt::format("127.0.0.1:{}", port) || host == fmt::format("localhost:{}", port);
}

// A text field of one setting object.
std::string TextField(const json& setting, const char* key, const char* list) {
    if (!setting.is_object() || !setting.contains(key) || !setting[key].is_string() ||
        setting[key].get_ref<const std::string&>().size() > kMaxSettingBytes)
        throw std::invalid_argument(
            fmt::format("each of \"{}\" must have \"{}\" as a text of at most {} bytes", list, key, kMaxSettingBytes));
    return setting[key].get<std::string>();
}

const json& SettingList(const json& body, const char* key) {
    static const json kNone = json::array();
    if (!body.contains(key)) return kNone;
    if (!body[key].is_array()) throw std::invalid_argument(fmt::format("\"{}\" must be a list", key));
    return body[key];
}

json ParseBody(const Request& request, std::initializer_list<std::string_view> keys) {
    json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) throw std::invalid_argument("the body must be a JSON object");
    for (const auto& item : body.items()) {
        if (std::find(keys.begin(), keys.end(), item.key()) == keys.end())
            throw std::invalid_argument(fmt::format("unknown field \"{}\"", item.key()));
    }
    return body;
}

StudySettings SettingsFrom(const Request& request) {
    const json body = ParseBody(request, {"inputs", "subgraphs"});
    StudySettings settings;
    for (const json& setting : SettingList(body, "inputs"))
        settings.inputs.push_back({TextField(setting, "input", "inputs"), TextField(setting, "value", "inputs")});
    for (const json& setting : SettingList(body, "subgraphs"))
        settings.subgraphs.push_back({TextField(setting, "subgraph", "subgraphs"),
                                      TextField(setting, "field", "subgraphs"), TextField(setting, "value", "subgraphs")});
    if (settings.inputs.size() + settings.subgraphs.size() > kMaxSettings)
        throw std::invalid_argument(fmt::format("at most {} settings at once", kMaxSettings));
    return settings;
}

ReplayRequest ReplayFrom(const Request& request) {
    const json body = ParseBody(request, {"action", "speed", "start"});
    ReplayRequest replay;
    if (body.contains("action")) {
        const json& action = body["action"];
        if (action == "play") replay.action = ReplayRequest::Action::kPlay;
        else if (action == "pause") replay.action = ReplayRequest::Action::kPause;
        else if (action == "step") replay.action = ReplayRequest::Action::kStep;
        else throw std::invalid_argument("\"action\" must be \"play\", \"pause\" or \"step\"");
    }
    if (body.contains("speed")) {
        const json& speed = body["speed"];
        if (!speed.is_number() || !(speed.get<double>() >= kMinReplaySpeed && speed.get<double>() <= kMaxReplaySpeed))
            throw std::invalid_argument(
                fmt::format("\"speed\" must be a number of bars per second from {} to {}", kMinReplaySpeed,
                            kMaxReplaySpeed));
        replay.speed = speed.get<double>();
    }
    if (body.contains("start")) {
        const json& start = body["start"];
        if (!start.is_number_integer() || start.get<int64_t>() < 1 || start.get<int64_t>() > INT32_MAX)
            throw std::invalid_argument("\"start\" must be a bar number of 1 or more");
        replay.startBar = static_cast<int32_t>(start.get<int64_t>());
    }
    return replay;
}

// A required integer query parameter from `low` to `high`; throws std::invalid_argument otherwise.
int32_t IntegerWithin(const Request& request, const char* name, int64_t low, int64_t high) {
    const std::optional<int32_t> value = IntegerParameter(request, name);
    if (!value || *value < low || *value > high)
        throw std::invalid_argument(fmt::format("'{}' must be a whole number from {} to {}", name, low, high));
    return *value;
}

bool WriteText(DataSink& sink, const std::string& text) { return sink.write(text.data(), text.size()); }

}  // namespace

PageServer::PageServer(ChartEngine& engine, int port) : engine_(engine), server_(std::make_unique<httplib::Server>()) {
    server_->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    server_->set_keep_alive_timeout(1);
    server_->set_read_timeout(2);
    server_->set_write_timeout(2);
    server_->set_payload_max_length(kMaxRequestBytes);
    if (port == 0) {
        port_ = server_->bind_to_any_port(kLoopback);
    } else if (server_->bind_to_port(kLoopback, port)) {
        port_ = port;
    } else {
        port_ = -1;
    }
    if (port_ <= 0) throw std::runtime_error(fmt::format("cannot listen on {}:{}", kLoopback, port));
    AddRoutes();
}

PageServer::~PageServer() { Stop(); }

void PageServer::Start() {
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void PageServer::Stop() {
    engine_.events().Stop();  // event streams end at once
    if (server_->is_running() || thread_.joinable()) server_->stop();
    if (thread_.joinable()) thread_.join();
}

void PageServer::AddRoutes() {
    httplib::Server& server = *server_;
    server.set_pre_routing_handler([this](const Request& request, Response& response) {
        if (AddressedHere(request, port_)) return httplib::Server::HandlerResponse::Unhandled;
        Refuse(response, 403, "this server answers requests for 127.0.0.1 or localhost only");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_error_handler([](const Request& request, Response& response) {
        if (!response.body.empty()) return;
        if (response.status == 404) Refuse(response, 404, fmt::format("nothing at {}", request.path));
        else Refuse(response, response.status, fmt::format("request refused ({})", response.status));
    });
    server.set_exception_handler([](const Request&, Response& response, const std::exception_ptr& error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::invalid_argument& bad) {
            Refuse(response, 400, bad.what());
        } catch (const std::exception& failure) {
            Refuse(response, 500, failure.what());
        } catch (...) {
            Refuse(response, 500, "unexpected failure");
        }
    });

    for (const WebAsset& asset : WebAssets()) {
        server.Get(std::string(asset.path), [&asset](const Request&, Response& response) {
            response.set_header("Cache-Control", "no-cache");
            response.set_content(asset.body.data(), asset.body.size(), std::string(ContentTypeOf(asset.path)));
        });
    }

    server.Get("/api/state", [this](const Request&, Response& response) { Send(response, engine_.State()); });

    server.Get("/api/events", [this](const Request&, Response& response) {
        EventHub& hub = engine_.events();
        const uint64_t stream = hub.OpenStream();
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [&hub, stream, seen = hub.version(), greeted = false](size_t, DataSink& sink) mutable {
                if (!greeted) {
                    greeted = true;
                    return WriteText(sink, fmt::format("retry: 1000\nevent: hello\ndata: {{\"version\":{}}}\n\n", seen));
                }
                std::vector<ChartEvent> events;
                switch (hub.Wait(stream, seen, kPingInterval, events)) {
                    case EventHub::Wake::kStopped: sink.done(); return true;
                    case EventHub::Wake::kReplaced:
                        WriteText(sink, "event: replaced\ndata: {}\n\n");
                        sink.done();
                        return true;
                    case EventHub::Wake::kTimeout: return WriteText(sink, ": ping\n\n");  // a closed tab fails here
                    case EventHub::Wake::kEvents: break;
                }
                for (const ChartEvent& event : events) {
                    if (!WriteText(sink, fmt::format("event: {}\ndata: {}\n\n", event.name, event.data))) return false;
                    seen = event.version;
                }
                return true;
            },
            [&hub, stream](bool) { hub.CloseStream(stream); });
    });

    // For a page whose event stream was given to a newer page: what it missed.
    server.Get("/api/updates", [this](const Request& request, Response& response) {
        uint64_t after = 0;
        if (!ParseWhole(request.get_param_value("after"), after))
            throw std::invalid_argument("'after' must be the version the page has");
        std::string body = "[";
        for (const ChartEvent& event : engine_.events().EventsAfter(after)) {
            if (body.size() > 1) body += ",";
            body += fmt::format("{{\"event\":\"{}\",\"data\":{}}}", event.name, event.data);
        }
        body += "]";
        response.set_header("Cache-Control", "no-store");
        response.set_content(body, "application/json; charset=utf-8");
    });

    server.Post(R"(/api/button/(\d{1,9}))", [this](const Request& request, Response& response) {
        int32_t button = 0;
        if (!ParseWhole(request.matches[1].str(), button) || button < 1 || button > kMaxButton)
            throw std::invalid_argument(fmt::format("buttons are numbered 1 to {}", kMaxButton));
        const std::string state = request.has_param("state") ? request.get_param_value("state") : "on";
        if (state != "on" && state != "off") throw std::invalid_argument("'state' must be on or off");
        Send(response, engine_.PushButton(button, state == "on" ? kButtonPushedOn : kButtonPushedOff));
    });

    server.Post("/api/settings", [this](const Request& request, Response& response) {
        Send(response, engine_.ChangeSettings(SettingsFrom(request)));
    });

    server.Post("/api/replay", [this](const Request& request, Response& response) {
        Send(response, engine_.Replay(ReplayFrom(request)));
    });

    // The time axis's marks for the bars a page shows, as the picture marks them.
    server.Get("/api/timemarks", [this](const Request& request, Response& response) {
        const int32_t first = IntegerWithin(request, "first", 0, INT32_MAX);
        const int32_t last = IntegerWithin(request, "last", first, std::min<int64_t>(first + kMaxWindowSlots - 1, INT32_MAX));
        const int32_t width = IntegerWithin(request, "width", 1, kMaxImageSide);
        Send(response, engine_.TimeMarks(first, last, width));
    });

    server.Get("/picture.png", [this](const Request& request, Response& response) {
        const std::optional<int32_t> first = IntegerParameter(request, "first"), last = IntegerParameter(request, "last");
        if (first.has_value() != last.has_value()) throw std::invalid_argument("give both 'first' and 'last', or neither");
        std::optional<std::pair<int32_t, int32_t>> bars;
        if (first) bars = std::make_pair(*first, *last);
        Send(response, engine_.Picture(IntegerParameter(request, "width").value_or(kDefaultImageWidth),
                                       IntegerParameter(request, "height").value_or(kDefaultImageHeight), bars));
    });
}

}  // namespace kovra::host
