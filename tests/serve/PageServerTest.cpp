// The page server over loopback: its files, bad requests, event streams,
// shutdown with streams open, and a soak of connections and pushes.
#include <gtest/gtest.h>

#include <dirent.h>
#include <httplib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
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
    PageServer server{*engine, 0};
    ServedChart() { server.Start(); }
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
        const auto reply = client.Get(fmt::format("/api/timemarks?first={}&last={}&width={}", window.first,
                                                  window.last, window.width));
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
        EXPECT_TRUE(std::regex_match(answer[0]["under"].get<std::string>(), std::regex("[A-Z][a-z]{2} \\d{1,2} \\d{4}")))
            << "the first mark's date carries its year: " << answer[0]["under"];
    }
    EXPECT_EQ(client.Get("/api/timemarks?first=5000&last=6000&width=800")->body, "[]") << "no bars there, no marks";
}

TEST(PageServer, BadRequestsGetA4xxWithAOneLineReason) {
    struct Case {
        const char* method;
        const char* path;
        const char* body;
        int status;
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
        {"POST", "/api/settings", R"({"inputs": [{"input": "Frame Size", "value": "65"}]})", 400},
        {"POST", "/api/settings", R"({"subgraphs": [{"subgraph": "#99", "field": "PrimaryColour", "value": "1"}]})", 400},
        {"POST", "/api/replay", R"({"speed": 0})", 400},
        {"POST", "/api/replay", R"({"speed": "fast"})", 400},
        {"POST", "/api/replay", R"({"action": "jump"})", 400},
        {"POST", "/api/replay", R"({"start": 1.5})", 400},
        {"POST", "/api/replay", R"({"start": 100000})", 400},
        {"POST", "/api/replay", R"({"action": "step"})", 409},
        {"GET", "/picture.png?first=10", "", 400},
        {"GET", "/picture.png?width=10", "", 400},
        {"GET", "/picture.png?first=a&last=b", "", 400},
        {"GET", "/picture.png?first=0&last=2000000", "", 400},
        {"GET", "/api/updates?after=x", "", 400},
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
        const auto reply = std::string(c.method) == "GET" ? client.Get(c.path)
                                                          : client.Post(c.path, c.body, "application/json");
        ASSERT_TRUE(reply) << c.path;
        EXPECT_EQ(reply->status, c.status) << c.method << " " << c.path << " " << c.body << ": " << reply->body;
        ASSERT_FALSE(reply->body.empty()) << c.path;
        EXPECT_EQ(reply->body.find('\n'), reply->body.size() - 1) << "one line: " << reply->body;
    }
    const auto foreign = client.Get("/api/state", {{"Host", "example.com"}});
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 403) << "a page of another site reaching us by a renamed host";
    EXPECT_EQ(json::parse(client.Get("/api/state")->body)["barCount"], 300) << "the server is still there";
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
            EventStream stream(served, [](const std::string& text) { return text.find("event: hello") == std::string::npos; });
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
    EXPECT_TRUE(Eventually([&] { return ThreadCount() == threads; })) << ThreadCount() << " threads, " << threads << " before";
    const double megabytes = ResidentMegabytes();
    soak();
    EXPECT_TRUE(Eventually([&] { return ThreadCount() == threads; })) << ThreadCount() << " threads, " << threads << " before";
    EXPECT_LT(ResidentMegabytes() - megabytes, kMemoryGrowthLimit)
        << "resident memory " << ResidentMegabytes() << " MB, " << megabytes << " MB after the first round";
}

}  // namespace
}  // namespace serve_test
