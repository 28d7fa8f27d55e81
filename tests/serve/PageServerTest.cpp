// The page server over loopback: its files, bad and hostile requests, the
// picture's bound, slow clients, event streams, shutdown with streams open,
// and a soak of connections and pushes.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <regex>
#include <thread>

#include <fmt/format.h>

#include "host/render/TimeMarks.h"
#include "host/serve/PageServer.h"
#include "tests/serve/ServeTestSupport.h"
#include "tests/support/Eventually.h"

namespace serve_test {
namespace {

using kovra::testing::Eventually;

using namespace std::chrono_literals;

size_t ThreadCount() {
    size_t count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.' ? 1 : 0;
        closedir(tasks);
    }
    return count;
}

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

struct ServedChart {
    std::unique_ptr<ChartEngine> engine = SampleEngine(300);
    PageServer server;
    explicit ServedChart(const ConnectionLimits& limits = {}) : server(*engine, 0, limits) { server.Start(); }
    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", server.port());
        client.set_read_timeout(10, 0);
        return client;
    }
};

// An event stream read on a thread of its own until the server ends it or `keepReading` says stop.
struct EventStream {
    std::string text;
    std::mutex mutex;
    std::atomic<bool> ended{false};
    std::thread reader;

    EventStream(const ServedChart& served, std::function<bool(const std::string&)> keepReading = {}) {
        reader = std::thread([this, &served, keepReading] {
            httplib::Client client = served.Client();
            client.Get("/api/events", [&](const char* data, size_t length) {
                std::lock_guard lock(mutex);
                text.append(data, length);
                return !keepReading || keepReading(text);
            });
            ended = true;
        });
    }
    ~EventStream() { reader.join(); }
    bool Saw(const std::string& part) {
        std::lock_guard lock(mutex);
        return text.find(part) != std::string::npos;
    }
};

// A plain loopback connection, for requests no HTTP client would send.
class RawConnection {
public:
    explicit RawConnection(int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~RawConnection() { ::close(socket_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    void Send(std::string_view text) { (void)::send(socket_, text.data(), text.size(), MSG_NOSIGNAL); }
    // Whether the server has closed the connection, reading (and keeping) whatever it sent before.
    bool Closed() {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::recv(socket_, buffer, sizeof(buffer), MSG_DONTWAIT);
            if (got > 0)
                received_.append(buffer, static_cast<size_t>(got));
            else
                return got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        }
    }
    const std::string& received() const { return received_; }

private:
    int socket_;
    bool connected_ = false;
    std::string received_;
};

// Megabytes a second soak round may add. Measured: the first round adds
// about 10 MB (the working size), a second 0.1 to 0.3 MB; a leak of 2 KB a
// push or 20 KB a stream exceeds the bound. AddressSanitizer holds freed
// memory back (its quarantine, up to 256 MB) before reusing it.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kMemoryGrowthLimit = 320;
#else
constexpr double kMemoryGrowthLimit = 2;
#endif

TEST(PageServer, ServesThePageTheChartLibraryWithItsLicenceAndTheState) {
    ServedChart served;
    httplib::Client client = served.Client();
    const auto page = client.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->body.find("/main.js"), std::string::npos);
    const auto library = client.Get("/vendor/lightweight-charts.js", {{"Accept-Encoding", "br, gzip"}});
    ASSERT_TRUE(library);
    EXPECT_EQ(library->get_header_value("Content-Type"), "application/javascript; charset=utf-8");
    EXPECT_FALSE(library->has_header("Content-Encoding")) << "sent as built, not compressed on every request";
    EXPECT_GT(library->body.size(), 100'000u);
    EXPECT_NE(library->body.find("@license"), std::string::npos) << "the library's notice stays in it";
    const auto licence = client.Get("/vendor/lightweight-charts.LICENSE.txt");
    ASSERT_TRUE(licence);
    EXPECT_NE(licence->body.find("Apache License"), std::string::npos);
    const auto state = client.Get("/api/state");
    ASSERT_TRUE(state);
    EXPECT_EQ(json::parse(state->body)["barCount"], 300);
    const auto picture = client.Get("/picture.png?first=200&last=299&width=400&height=300");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->status, 200);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(picture->body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

// The page's time axis reads the picture's marks: the same chooser, the
// page's window and pixels per bar.
TEST(PageServer, TimeMarksAreThePicturesForTheWindowAsked) {
    ServedChart served;
    httplib::Client client = served.Client();
    const BarColumns bars = FirstSampleBars(300);
    struct Window {
        int32_t first, last, width;
    };
    for (const Window window : {Window{0, 299, 1200}, Window{120, 180, 700}, Window{200, 400, 800}}) {
        SCOPED_TRACE(fmt::format("bars {} to {} across {} pixels", window.first, window.last, window.width));
        const auto reply = client.Get(
            fmt::format("/api/timemarks?first={}&last={}&width={}", window.first, window.last, window.width));
        ASSERT_TRUE(reply);
        ASSERT_EQ(reply->status, 200) << reply->body;
        const json answer = json::parse(reply->body);
        const std::vector<TimeMark> expected =
            ChooseTimeMarks(bars.dateTimes, window.first, window.last,
                            static_cast<double>(window.width) / (window.last - window.first + 1), kMinTimeMarkPixels);
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(answer.size(), expected.size()) << reply->body;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(answer[i]["bar"], expected[i].bar) << i;
            EXPECT_EQ(answer[i]["text"], expected[i].text) << i;
            EXPECT_EQ(answer[i]["under"], expected[i].under) << i;
        }
        EXPECT_TRUE(
            std::regex_match(answer[0]["under"].get<std::string>(), std::regex("[A-Z][a-z]{2} \\d{1,2} \\d{4}")))
            << "the first mark's date carries its year: " << answer[0]["under"];
    }
    EXPECT_EQ(client.Get("/api/timemarks?first=5000&last=6000&width=800")->body, "[]") << "no bars there, no marks";
}

// A page on a long chart asks for the bars near its view: the state then
// starts later, its bars and level values exactly the whole state's from there.
TEST(PageServer, StateHoldsTheBarsAPageAsksFor) {
    ServedChart served;
    httplib::Client client = served.Client();
    const json whole = json::parse(client.Get("/api/state")->body);
    const int32_t frameFirst = whole["window"]["firstBar"];
    ASSERT_GT(frameFirst, 200) << "the frame lies at the end, so the bars asked for decide";
    const auto secondOf = [&](int bar) { return static_cast<int64_t>(whole["bars"]["time"][bar].get<double>()); };
    struct Case {
        std::string query;
        int32_t from;
    };
    const Case cases[] = {
        {"", 0},
        {"bars=50", 250},
        {"bars=1000", 0},
        {fmt::format("bars=50&until={}", secondOf(200)), 150},
        {fmt::format("bars=0&until={}", secondOf(100) + 1), 101},
        {"bars=10&until=0", 0},
        {"bars=0&until=99999999999999", 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const json state = json::parse(client.Get("/api/state?" + c.query)->body);
        const int32_t from = std::min(c.from, frameFirst);
        EXPECT_EQ(state["barsFrom"], from);
        EXPECT_EQ(state["seriesFrom"], from);
        EXPECT_EQ(state["barCount"], 300);
        EXPECT_EQ(state["drawings"], whole["drawings"]);
        for (const char* column : {"time", "dateTime", "close"}) {
            const json& all = whole["bars"][column];
            EXPECT_EQ(state["bars"][column], json(std::vector<json>(all.begin() + from, all.end()))) << column;
        }
        const auto values = [](const json& runs) {
            std::vector<json> expanded;
            for (size_t i = 0; i < runs.size(); i += 2)
                expanded.insert(expanded.end(), runs[i + 1].get<int>(), runs[i]);
            return expanded;
        };
        for (size_t series = 0; series < whole["series"].size(); ++series) {
            const std::vector<json> all = values(whole["series"][series]["values"]);
            EXPECT_EQ(values(state["series"][series]["values"]), std::vector<json>(all.begin() + from, all.end()))
                << "series " << series;
        }
    }
}

TEST(PageServer, BadRequestsGetA4xxWithAOneLineReason) {
    struct Case {
        const char* method;
        const char* path;
        const char* body;
        int status;
        const char* reason = nullptr;  // a part of the one-line reason, when the row checks it
    };
    const Case cases[] = {
        {"POST", "/api/button/0", "", 400},
        {"POST", "/api/button/151", "", 400},
        {"POST", "/api/button/99999999999", "", 404},
        {"POST", "/api/button/5?state=maybe", "", 400},
        {"POST", "/api/settings", "not json", 400},
        {"POST", "/api/settings", "[1,2]", 400},
        {"POST", "/api/settings", R"({"inputs": "Frame Size=32"})", 400},
        {"POST", "/api/settings", R"({"inputs": [32]})", 400},
        {"POST", "/api/settings", R"({"inputs": [{"input": "Frame Size"}]})", 400},
        {"POST", "/api/settings", R"({"colours": []})", 400},
        {"POST", "/api/settings", R"({"inputs": [{"input": "Frame Size", "value": "65"}]})", 400, "has no item \"65\""},
        {"POST", "/api/settings", R"({"subgraphs": [{"subgraph": "#99", "field": "PrimaryColour", "value": "1"}]})",
         400},
        {"POST", "/api/replay", R"({"speed": 0})", 400},
        {"POST", "/api/replay", R"({"speed": "fast"})", 400},
        {"POST", "/api/replay", R"({"action": "jump"})", 400},
        {"POST", "/api/replay", R"({"start": 1.5})", 400},
        {"POST", "/api/replay", R"({"start": 100000})", 400, "the start bar must be from 1 to 300"},
        {"POST", "/api/replay", R"({"action": "step"})", 409, "every bar is shown already"},
        {"POST", "/api/timeframe", R"({"timeframe": 5})", 400, "\"timeframe\" must be a timeframe such as"},
        {"POST", "/api/timeframe", R"({"tf": "5m"})", 400, "unknown field \"tf\""},
        {"POST", "/api/timeframe", R"({"timeframe": "7x"})", 400, "\"timeframe\": "},
        {"POST", "/api/timeframe", R"({"timeframe": "30s"})", 400, "30s is finer"},
        {"GET", "/picture.png?first=10", "", 400},
        {"GET", "/picture.png?width=199", "", 400, "image size 199x900 is out of range"},
        {"GET", "/picture.png?first=a&last=b", "", 400},
        {"GET", "/picture.png?first=0&last=2000000", "", 400},
        {"GET", "/api/updates?after=x", "", 400},
        {"GET", "/api/state?bars=-1", "", 400},
        {"GET", "/api/state?bars=many", "", 400},
        {"GET", "/api/state?until=1700000000", "", 400, "'until' needs 'bars'"},
        {"GET", "/api/state?bars=10&until=1.5e9", "", 400},
        {"GET", "/api/timemarks?first=0&last=99", "", 400},
        {"GET", "/api/timemarks?first=-1&last=99&width=800", "", 400},
        {"GET", "/api/timemarks?first=50&last=49&width=800", "", 400},
        {"GET", "/api/timemarks?first=0&last=1000000&width=800", "", 400},
        {"GET", "/api/timemarks?first=0&last=99&width=0", "", 400},
        {"GET", "/api/timemarks?first=0&last=99&width=16001", "", 400},
        {"GET", "/api/timemarks?first=0&last=99&width=8e2", "", 400},
        {"GET", "/etc/passwd", "", 404},
        {"GET", "/../../etc/passwd", "", 404},
    };
    ServedChart served;
    httplib::Client client = served.Client();
    for (const Case& c : cases) {
        const auto reply =
            std::string(c.method) == "GET" ? client.Get(c.path) : client.Post(c.path, c.body, "application/json");
        ASSERT_TRUE(reply) << c.path;
        EXPECT_EQ(reply->status, c.status) << c.method << " " << c.path << " " << c.body << ": " << reply->body;
        ASSERT_FALSE(reply->body.empty()) << c.path;
        EXPECT_EQ(reply->body.find('\n'), reply->body.size() - 1) << "one line: " << reply->body;
        if (c.reason) {
            EXPECT_NE(reply->body.find(c.reason), std::string::npos)
                << "the reason reaches the client: " << reply->body;
        }
    }
    const auto foreign = client.Get("/api/state", {{"Host", "example.com"}});
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 403) << "a page of another site reaching us by a renamed host";
    EXPECT_EQ(json::parse(client.Get("/api/state")->body)["barCount"], 300) << "the server is still there";
}

// A colour is taken as the page shows it (#RRGGBB, either case) or as the
// record's 0x00BBGGRR number; the state gives it back as #RRGGBB.
TEST(PageServer, SettingsTakeColoursAsRRGGBBOrAsTheRecordsNumber) {
    struct Case {
        const char* value;
        const char* shown;  // nullptr: refused
    };
    const Case cases[] = {
        {"#FF8000", "#FF8000"}, {"#12abEF", "#12ABEF"}, {"0x00FF8040", "#4080FF"}, {"255", "#FF0000"},
        {"#FF800", nullptr},    {"#FF80000", nullptr},  {"#GG0000", nullptr},      {"#-12345", nullptr},
        {"#+12345", nullptr},   {"#", nullptr},         {"FF8000", nullptr},
    };
    ServedChart served;
    httplib::Client client = served.Client();
    for (const Case& c : cases) {
        const std::string body =
            fmt::format(R"({{"subgraphs": [{{"subgraph": "#2", "field": "PrimaryColour", "value": "{}"}}]}})", c.value);
        const auto reply = client.Post("/api/settings", body, "application/json");
        ASSERT_TRUE(reply) << c.value;
        EXPECT_EQ(reply->status, c.shown ? 200 : 400) << c.value << ": " << reply->body;
        if (!c.shown) continue;
        const json subgraphs = json::parse(client.Get("/api/state")->body)["subgraphs"];
        const auto eighth = std::find_if(subgraphs.begin(), subgraphs.end(),
                                         [](const json& subgraph) { return subgraph["position"] == 2; });
        ASSERT_NE(eighth, subgraphs.end());
        EXPECT_EQ((*eighth)["colour"], c.shown) << c.value;
    }
}

// Requests a page of another site can make the browser send, and a
// program's: the browser's are refused with a reason and change nothing.
TEST(PageServer, OnlyItsOwnPageOrAProgramChangesTheChart) {
    ServedChart served;
    const int port = served.server.port();
    const std::string own = fmt::format("http://127.0.0.1:{}", port), local = fmt::format("http://localhost:{}", port);
    const std::string json = "application/json", form = "application/x-www-form-urlencoded";
    struct Case {
        const char* what;
        httplib::Headers headers;
        const char* path;
        std::string body;
        std::string type;
        int status;
    };
    const std::string settings = R"({"inputs": [{"input": "Frame Size", "value": "64"}]})";
    const std::vector<Case> hostile = {
        {"another site", {{"Origin", "http://evil.example"}}, "/api/button/5", "", "", 403},
        {"another port here", {{"Origin", "http://127.0.0.1:1"}}, "/api/button/5", "", "", 403},
        {"a look-alike host", {{"Origin", own + ".evil.example"}}, "/api/button/5", "", "", 403},
        {"an opaque origin", {{"Origin", "null"}}, "/api/button/5", "", "", 403},
        {"https of the same", {{"Origin", fmt::format("https://127.0.0.1:{}", port)}}, "/api/button/5", "", "", 403},
        {"a cross-site fetch", {{"Sec-Fetch-Site", "cross-site"}}, "/api/replay", R"({"start": 10})", json, 403},
        {"a same-site fetch", {{"Sec-Fetch-Site", "same-site"}}, "/api/settings", settings, json, 403},
        {"a typed-in address", {{"Sec-Fetch-Site", "none"}}, "/api/button/5", "", "", 403},
        {"own origin, other site", {{"Origin", own}, {"Sec-Fetch-Site", "cross-site"}}, "/api/button/5", "", "", 403},
        {"a plain-text form", {{"Origin", "http://evil.example"}}, "/api/settings", settings, "text/plain", 403},
        {"a plain-text body", {}, "/api/settings", settings, "text/plain", 415},
        {"a url-encoded form", {{"Origin", own}}, "/api/replay", "start=10", form, 415},
        {"a multipart form", {}, "/api/replay", "--x\r\n\r\n--x--", "multipart/form-data; boundary=x", 415},
        {"a body without a type", {}, "/api/button/5", "x", "", 415},
        {"json as a suffix", {}, "/api/settings", settings, "text/plain; application/json", 415},
    };
    const std::vector<Case> accepted = {
        {"a program (no browser headers)", {}, "/api/button/5", "", "", 200},
        {"its own page", {{"Origin", own}, {"Sec-Fetch-Site", "same-origin"}}, "/api/settings", settings, json, 200},
        {"its own page by name",
         {{"Origin", local}, {"Host", fmt::format("localhost:{}", port)}},
         "/api/button/3",
         "",
         "",
         200},
        {"a same-origin fetch without Origin",
         {{"Sec-Fetch-Site", "same-origin"}},
         "/api/replay",
         R"({"speed": 2})",
         "application/JSON; charset=utf-8",
         200},
    };
    httplib::Client client = served.Client();
    const auto ask = [&](const Case& c) {
        return c.type.empty() && c.body.empty() ? client.Post(c.path, c.headers, "", 0, "")
                                                : client.Post(c.path, c.headers, c.body, c.type.c_str());
    };
    const std::string before = client.Get("/api/state")->body;
    for (const Case& c : hostile) {
        const auto reply = ask(c);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(reply->status, c.status) << c.what << ": " << reply->body;
        EXPECT_EQ(reply->body.find('\n'), reply->body.size() - 1) << c.what << ", one line: " << reply->body;
    }
    EXPECT_EQ(client.Get("/api/state")->body, before) << "no refused request changed anything";
    for (const Case& c : accepted) {
        const uint64_t version = served.engine->events().version();
        const auto reply = ask(c);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(reply->status, c.status) << c.what << ": " << reply->body;
        EXPECT_GT(served.engine->events().version(), version) << c.what;
    }
}

TEST(PageServer, EveryAnswerKeepsThePageToItselfAndItsOwnScripts) {
    ServedChart served;
    httplib::Client client = served.Client();
    for (const char* path : {"/", "/main.js", "/api/state", "/nothing-here", "/picture.png?width=199"}) {
        const auto reply = client.Get(path);
        ASSERT_TRUE(reply) << path;
        const std::string policy = reply->get_header_value("Content-Security-Policy");
        EXPECT_NE(policy.find("script-src 'self';"), std::string::npos) << path << ": " << policy;
        EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos) << path;
        EXPECT_EQ(policy.find("unsafe"), std::string::npos) << path;
        EXPECT_EQ(reply->get_header_value("X-Content-Type-Options"), "nosniff") << path;
        EXPECT_EQ(reply->get_header_value("Referrer-Policy"), "no-referrer") << path;
        EXPECT_EQ(reply->get_header_value("X-Frame-Options"), "DENY") << path;
    }
    const std::string page = client.Get("/")->body;
    EXPECT_EQ(page.find("<script>"), std::string::npos) << "no inline script";
    EXPECT_EQ(page.find("<style"), std::string::npos) << "no inline style";
    EXPECT_EQ(page.find("style="), std::string::npos) << "no inline style";
    EXPECT_NE(page.find(R"(<meta name="viewport" content="width=device-width)"), std::string::npos)
        << "a phone's width";
}

// A request without a length or chunks has no body: it is answered at once.
TEST(PageServer, AProgramsPostWithoutABodyIsAnsweredAtOnce) {
    ServedChart served;
    RawConnection raw(served.server.port());
    ASSERT_TRUE(raw.connected());
    raw.Send(fmt::format("POST /api/button/5 HTTP/1.1\r\nHost: 127.0.0.1:{}\r\n\r\n", served.server.port()));
    EXPECT_TRUE(Eventually([&] { return raw.Closed() || raw.received().find("\r\n\r\n{") != std::string::npos; }, 2s));
    EXPECT_EQ(raw.received().rfind("HTTP/1.1 200", 0), 0u) << raw.received();
}

// Pictures over the bound are refused before any work; the rest are painted
// off the engine thread one at a time, while the state stays answerable.
TEST(PageServer, PicturesAreBoundedInPixelsAndPaintedOneAtATime) {
    ServedChart served;
    httplib::Client client = served.Client();
    for (const char* size : {"width=16000&height=16000", "width=3841&height=2160", "width=8000&height=1100"}) {
        const auto reply = client.Get(fmt::format("/picture.png?{}", size));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 413) << size;
        EXPECT_NE(reply->body.find(fmt::format("at most {} pixels", kMaxPicturePixels)), std::string::npos)
            << reply->body;
    }
    using Clock = std::chrono::steady_clock;
    struct Answer {
        int status;
        std::string body;
        Clock::time_point at;
    };
    std::vector<std::future<Answer>> pictures;
    for (int i = 0; i < 4; ++i) {
        pictures.push_back(std::async(std::launch::async, [&served] {
            const auto reply = served.Client().Get(
                fmt::format("/picture.png?width={}&height={}", kPictureBoundWidth, kPictureBoundHeight));
            return Answer{reply ? reply->status : -1, reply ? reply->body : "", Clock::now()};
        }));
    }
    const auto state = client.Get("/api/state");
    const Clock::time_point stateAt = Clock::now();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->status, 200);
    int painted = 0, busy = 0;
    Clock::time_point firstPainted = Clock::time_point::max();
    for (auto& picture : pictures) {
        const Answer answer = picture.get();
        if (answer.status == 200) {
            ++painted;
            firstPainted = std::min(firstPainted, answer.at);
            EXPECT_EQ(answer.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        } else {
            ++busy;
            EXPECT_EQ(answer.status, 503) << answer.body;
            EXPECT_EQ(answer.body, "another picture is being painted; try again in a moment\n");
        }
    }
    EXPECT_GE(painted, 1);
    EXPECT_GE(busy, 1) << "four at once: one is painted, the others are asked to come back";
    EXPECT_LT(stateAt, firstPainted) << "the state answered while a picture was painted";
}

// 30 clients trickling a request's header lines, and 10 saying nothing,
// each hold a connection only until the deadline or idle timeout; everyone
// else is answered meanwhile.
TEST(PageServer, SlowAndIdleClientsAreCutOffWithoutStarvingAnyone) {
    ConnectionLimits limits;
    limits.requestDeadline = 1s;
    limits.idleTimeout = 500ms;
    ServedChart served(limits);
    const int port = served.server.port();
    std::vector<std::unique_ptr<RawConnection>> slow, idle;
    for (int i = 0; i < 30; ++i) {
        slow.push_back(std::make_unique<RawConnection>(port));
        ASSERT_TRUE(slow.back()->connected());
        slow.back()->Send("GET /api/state HTTP/1.1\r\n");
    }
    for (int i = 0; i < 10; ++i) idle.push_back(std::make_unique<RawConnection>(port));

    httplib::Client client = served.Client();
    client.set_read_timeout(2, 0);
    const auto started = std::chrono::steady_clock::now();
    // A header line every 100 ms for up to 4 s: never slow enough for a read timeout alone.
    std::vector<bool> cut(slow.size(), false);
    for (int round = 0; round < 40 && std::count(cut.begin(), cut.end(), true) < 30; ++round) {
        for (size_t i = 0; i < slow.size(); ++i) {
            if (!cut[i]) slow[i]->Send(fmt::format("X-Slow-{}: {}\r\n", round, i));
            cut[i] = cut[i] || slow[i]->Closed();
        }
        if (round % 5 == 0) {
            const auto reply = client.Get("/api/state");
            ASSERT_TRUE(reply) << "round " << round << ": no answer while slow clients hold connections";
            EXPECT_EQ(reply->status, 200);
        }
        std::this_thread::sleep_for(100ms);
    }
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(std::count(cut.begin(), cut.end(), true), 30) << "every slow client is cut off";
    EXPECT_LT(took, 3s) << "at the deadline, long before they finish";
    for (auto& connection : idle) EXPECT_TRUE(Eventually([&] { return connection->Closed(); }, 2s)) << "idle closes";
}

TEST(PageServer, EventStreamsGreetCarryChangesReplaceTheOldestAndEndAtShutdown) {
    auto served = std::make_unique<ServedChart>();
    std::vector<std::unique_ptr<EventStream>> streams;
    for (size_t i = 0; i < EventHub::kMaxStreams; ++i) {
        streams.push_back(std::make_unique<EventStream>(*served));
        ASSERT_TRUE(Eventually([&] { return streams.back()->Saw("event: hello"); }));
    }
    httplib::Client client = served->Client();
    ASSERT_EQ(client.Post("/api/button/1", "", "application/json")->status, 200);
    for (auto& stream : streams)
        EXPECT_TRUE(Eventually([&] { return stream->Saw("event: update") || stream->Saw("event: reload"); }));

    streams.push_back(std::make_unique<EventStream>(*served));  // one too many: the oldest gives way
    EXPECT_TRUE(Eventually([&] { return streams.front()->ended.load(); }));
    EXPECT_TRUE(streams.front()->Saw("event: replaced"));
    EXPECT_TRUE(Eventually([&] { return streams.back()->Saw("event: hello"); }));
    const auto updates = json::parse(client.Get("/api/updates?after=0")->body);
    ASSERT_FALSE(updates.empty()) << "a replaced page catches up by asking";
    const std::string instance = served->engine->instance();
    EXPECT_TRUE(streams.back()->Saw(fmt::format("\"instance\":\"{}\"", instance)))
        << "the hello names the server's run";
    EXPECT_EQ(json::parse(client.Get("/api/updates?after=0&instance=" + instance)->body), updates);
    const json other = json::parse(client.Get("/api/updates?after=0&instance=0123456789abcdef")->body);
    ASSERT_EQ(other.size(), 1u) << "a page of another run reloads everything";
    EXPECT_EQ(other[0]["event"], "reload");

    const auto stopping = std::chrono::steady_clock::now();
    served->server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s) << "stops within 2 s with streams open";
    for (auto& stream : streams) EXPECT_TRUE(Eventually([&] { return stream->ended.load(); }));
    streams.clear();
}

TEST(PageServer, SoakOfConnectionsAndPushesLeavesThreadsAndMemoryAsTheyWere) {
    ServedChart served;
    httplib::Client client = served.Client();
    // 100 event streams opened and dropped, then 1,000 pushes.
    const auto soak = [&] {
        for (int cycle = 0; cycle < 100; ++cycle) {
            EventStream stream(served,
                               [](const std::string& text) { return text.find("event: hello") == std::string::npos; });
        }
        for (int push = 0; push < 1000; ++push) {
            const auto reply = client.Post(push % 2 ? "/api/button/1" : "/api/button/2", "", "application/json");
            ASSERT_TRUE(reply && reply->status == 200) << push;
        }
        EXPECT_TRUE(Eventually([&] { return served.engine->events().openStreams() == 0; }))
            << "dropped streams are noticed by their next ping";
    };
    // The first round brings the server to its working size (every pool
    // thread started, their allocator arenas); a second round must not add to it.
    ASSERT_EQ(client.Post("/api/button/3", "", "application/json")->status, 200);  // the pool's threads start
    const size_t threads = ThreadCount();
    soak();
    EXPECT_TRUE(Eventually([&] { return ThreadCount() == threads; }))
        << ThreadCount() << " threads, " << threads << " before";
    const double megabytes = ResidentMegabytes();
    soak();
    EXPECT_TRUE(Eventually([&] { return ThreadCount() == threads; }))
        << ThreadCount() << " threads, " << threads << " before";
    EXPECT_LT(ResidentMegabytes() - megabytes, kMemoryGrowthLimit)
        << "resident memory " << ResidentMegabytes() << " MB, " << megabytes << " MB after the first round";
}

}  // namespace
}  // namespace serve_test
