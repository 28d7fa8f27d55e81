// A workspace served over loopback: every file an instrument with its chart
// routes by name, a broken file's error in its row, alert choices refused
// and kept, and what a restart restores.
#include <gtest/gtest.h>

#include <httplib.h>

#include <filesystem>
#include <fstream>

#include "host/serve/PageServer.h"
#include "tests/serve/ServeTestSupport.h"
#include "tests/support/RunKovra.h"

namespace serve_test {
namespace {

namespace fs = std::filesystem;

// ES: the sample's first 1500 lines, NQ its first 800, BAD no bar file.
class WorkspaceServe : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = kovra::testing::FreshTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const std::vector<std::string> sample = kovra::testing::Lines(
            kovra::testing::Slurp(std::string(std::getenv("KOVRA_SOURCE_DIR")) + "/data/sample-bars.csv"));
        for (const auto& [name, lines] : {std::pair{"ES", 1500}, std::pair{"NQ", 800}}) {
            std::ofstream file(folder_ + "/" + name + ".csv");
            for (int32_t line = 0; line < lines; ++line) file << sample[static_cast<size_t>(line)] << "\n";
        }
        std::ofstream(folder_ + "/BAD.csv") << "garbage\n1,2\n";
    }

    struct Served {
        WorkspaceEngine engine;
        PageServer server;
        explicit Served(WorkspaceSetup setup) : engine(std::move(setup)), server(engine, 0) {
            engine.Start();
            server.Start();
        }
        httplib::Client Client() const {
            httplib::Client client("127.0.0.1", server.port());
            client.set_read_timeout(10, 0);
            return client;
        }
    };

    std::unique_ptr<Served> Serve() const {
        WorkspaceSetup setup;
        setup.library = std::make_unique<StudyLibrary>(std::getenv("KOVRA_STUDY_LIBRARY"));
        setup.sources = {folder_};
        setup.options.chart.valueFormat = SampleBars().priceDecimals;
        setup.options.warn = [](const std::string&) {};
        setup.statePath = folder_ + "/state.sqlite3";
        return std::make_unique<Served>(std::move(setup));
    }

    static httplib::Result Post(httplib::Client& client, const std::string& path, const std::string& body) {
        return client.Post(path, body, "application/json");
    }

    std::string folder_;
};

json Instruments(httplib::Client& client) {
    const auto answer = client.Get("/api/instruments");
    EXPECT_TRUE(answer && answer->status == 200);
    return answer ? json::parse(answer->body)["instruments"] : json();
}

TEST_F(WorkspaceServe, EveryFileIsAChartByItsNameAndABrokenOneShowsItsError) {
    const auto served = Serve();
    httplib::Client client = served->Client();
    const json instruments = Instruments(client);
    ASSERT_EQ(instruments.size(), 3u);
    EXPECT_EQ(instruments[0]["name"], "BAD");
    EXPECT_EQ(instruments[0]["status"], "failed");
    const std::string error = instruments[0]["row"]["error"];
    EXPECT_NE(error.find("BAD.csv:1:1:"), std::string::npos) << error;
    EXPECT_EQ(instruments[0]["lines"].size(), 0u);
    EXPECT_EQ(instruments[1]["row"]["bars"], 1499);
    EXPECT_EQ(instruments[2]["row"]["bars"], 799);
    EXPECT_EQ(instruments[1]["lines"].size(), 13u);
    EXPECT_TRUE(instruments[1]["alertLines"].is_null());

    struct Case {
        std::string path;
        int status;
        std::string answer;  // its start
    };
    const Case cases[] = {
        {"/api/instruments/ES/state", 200, "{\"instance\""},
        {"/api/instruments/NQ/timemarks?first=0&last=10&width=400", 200, "["},
        {"/api/instruments/BAD/state", 409, error},
        {"/api/instruments/XX/state", 404, "no instrument XX"},
        {"/api/state", 404, "nothing at /api/state"},
        {"/api/alerts?after=x", 400, "'after' must be"},
    };
    for (const Case& c : cases) {
        const auto answer = client.Get(c.path);
        ASSERT_TRUE(answer) << c.path;
        EXPECT_EQ(answer->status, c.status) << c.path;
        EXPECT_EQ(answer->body.substr(0, c.answer.size()), c.answer) << c.path;
    }
    EXPECT_EQ(json::parse(client.Get("/api/instruments/NQ/state")->body)["barCount"], 799);
}

TEST_F(WorkspaceServe, AlertChoicesAreRefusedWithTheirReasonAndTakenFromTheOwnOriginOnly) {
    const auto served = Serve();
    httplib::Client client = served->Client();
    struct Case {
        std::string body;
        int status;
        std::string reason;  // its start
    };
    const Case cases[] = {
        {R"({"lines":["8/8th","9/8th"]})", 400, "no line \"9/8th\"; the lines are: \"+2/8th\""},
        {R"({"lines":"8/8th"})", 400, "\"lines\" must be null (every line) or a list"},
        {R"({"lines":[1]})", 400, "\"lines\" must be null"},
        {R"({"line":[]})", 400, "unknown field \"line\""},
        {R"({"lines":["8/8th","0/8th"]})", 200, "{\"version\""},
    };
    for (const Case& c : cases) {
        const auto answer = Post(client, "/api/instruments/ES/alert-lines", c.body);
        ASSERT_TRUE(answer) << c.body;
        EXPECT_EQ(answer->status, c.status) << c.body;
        EXPECT_EQ(answer->body.substr(0, c.reason.size()), c.reason) << c.body;
    }
    EXPECT_EQ(Post(client, "/api/instruments/BAD/alert-lines", "{}")->status, 400);
    EXPECT_EQ(Post(client, "/api/instruments/XX/alert-lines", "{}")->status, 404);
    httplib::Headers hostile{{"Origin", "http://evil.example"}};
    EXPECT_EQ(client.Post("/api/instruments/ES/alert-lines", hostile, R"({"lines":null})", "application/json")->status,
              403);
    EXPECT_EQ(Instruments(client)[1]["alertLines"], json::array({"8/8th", "0/8th"}));
}

TEST_F(WorkspaceServe, ARestartRestoresEachInstrumentsSettingsAlertChoiceAndTimeframe) {
    json before;
    {
        const auto served = Serve();
        httplib::Client client = served->Client();
        ASSERT_EQ(client.Post("/api/instruments/ES/button/5")->status, 200);
        ASSERT_EQ(Post(client, "/api/instruments/ES/settings",
                       R"({"subgraphs":[{"subgraph":"#2","field":"PrimaryColour","value":"#FF0000"}]})")
                      ->status,
                  200);
        ASSERT_EQ(Post(client, "/api/instruments/ES/timeframe", R"({"timeframe":"5m"})")->status, 200);
        ASSERT_EQ(Post(client, "/api/instruments/NQ/alert-lines", R"({"lines":["4/8th"]})")->status, 200);
        before = json::parse(client.Get("/api/instruments/ES/state")->body);
        ASSERT_EQ(before["timeframe"], "5m");
    }
    const auto served = Serve();
    httplib::Client client = served->Client();
    const json after = json::parse(client.Get("/api/instruments/ES/state")->body);
    for (const char* key : {"title", "timeframe", "barCount", "subgraphs"}) EXPECT_EQ(after[key], before[key]) << key;
    const json instruments = Instruments(client);
    EXPECT_EQ(instruments[2]["alertLines"], json::array({"4/8th"}));
    EXPECT_TRUE(instruments[1]["alertLines"].is_null());
    EXPECT_EQ(json::parse(client.Get("/api/instruments/NQ/state")->body)["timeframe"], kAsInTheFile);
}

}  // namespace
}  // namespace serve_test
