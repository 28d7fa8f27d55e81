// The engine thread: requests answered in the order asked, the replay, big
// and small changes sent to the pages, the bar limit, a followed file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <regex>
#include <set>
#include <thread>

#include "host/outputs/SeriesCsv.h"
#include "tests/serve/ServeTestSupport.h"
#include "tests/support/Eventually.h"
#include "tests/support/RunKovra.h"

namespace serve_test {
namespace {

using kovra::testing::Eventually;

using namespace std::chrono_literals;

uint64_t VersionOf(const EngineReply& reply) { return json::parse(*reply.body)["version"].get<uint64_t>(); }

std::string InputValue(const json& state, const std::string& name) {
    for (const json& input : state["inputs"])
        if (input["name"] == name) return input["value"];
    return "(none)";
}

ReplayRequest Action(ReplayRequest::Action action) {
    ReplayRequest request;
    request.action = action;
    return request;
}

TEST(ChartEngine, AnswersPushesSettingsAndReplayInTheOrderAsked) {
    auto engine = SampleEngine(400, 300);
    const uint64_t first = engine->events().version();
    const EngineReply step = engine->Replay(Action(ReplayRequest::Action::kStep));
    const EngineReply push = engine->PushButton(5, kButtonPushedOn);
    const EngineReply settings = engine->ChangeSettings({{{"Frame Size", "32"}}, {}});
    const EngineReply again = engine->Replay(Action(ReplayRequest::Action::kStep));
    for (const EngineReply* reply : {&step, &push, &settings, &again}) ASSERT_EQ(reply->status, 200) << *reply->body;
    EXPECT_EQ(VersionOf(step), first + 1);
    EXPECT_EQ(VersionOf(push), first + 2);
    EXPECT_EQ(VersionOf(settings), first + 3);
    EXPECT_EQ(VersionOf(again), first + 4);
    const json state = StateOf(*engine);
    EXPECT_EQ(state["barCount"], 302);
    EXPECT_EQ(InputValue(state, "Frame Size"), "32") << "the settings came after the push to 64";
    EXPECT_TRUE(state["buttons"][4]["pushed"]);

    // Requests from several threads at once are each answered once, with versions in the order handled.
    std::vector<std::future<EngineReply>> replies;
    for (int i = 0; i < 24; ++i)
        replies.push_back(
            std::async(std::launch::async, [&engine, i] { return engine->PushButton(1 + i % 2, kButtonPushedOn); }));
    std::set<uint64_t> versions;
    for (auto& reply : replies) {
        const EngineReply answer = reply.get();
        ASSERT_EQ(answer.status, 200) << *answer.body;
        versions.insert(VersionOf(answer));
    }
    EXPECT_EQ(versions.size(), 24u);
    EXPECT_EQ(*versions.rbegin() - *versions.begin(), 23u);
    const std::vector<ChartEvent> events = engine->events().EventsAfter(first);
    ASSERT_EQ(events.size(), 28u);
    for (size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i].version, first + 1 + i);
}

TEST(ChartEngine, EachRunNamesItselfInEveryState) {
    auto one = SampleEngine(300), two = SampleEngine(300);
    EXPECT_NE(one->instance(), two->instance());
    EXPECT_TRUE(std::regex_match(one->instance(), std::regex("[0-9a-f]{16}"))) << one->instance();
    EXPECT_EQ(StateOf(*one)["instance"], one->instance());
    EXPECT_EQ(StateOf(*two)["instance"], two->instance());
    ASSERT_EQ(one->PushButton(5, kButtonPushedOn).status, 200);
    EXPECT_EQ(json::parse(one->events().EventsAfter(1).back().data)["instance"], one->instance()) << "and every update";
}

TEST(ChartEngine, ReplayStartsOverPlaysToTheLastBarAndStops) {
    auto engine = SampleEngine(400);
    ReplayRequest start;
    start.startBar = 380;
    ASSERT_EQ(engine->Replay(start).status, 200);
    json state = StateOf(*engine);
    EXPECT_EQ(state["barCount"], 380);
    EXPECT_FALSE(state["replay"]["playing"]);
    ReplayRequest play = Action(ReplayRequest::Action::kPlay);
    play.speed = 1000;
    ASSERT_EQ(engine->Replay(play).status, 200);
    EXPECT_TRUE(Eventually([&] { return StateOf(*engine)["barCount"] == 400; }));
    EXPECT_TRUE(Eventually([&] { return StateOf(*engine)["replay"]["playing"] == false; }))
        << "with every bar shown the replay stops";
    EXPECT_EQ(StateOf(*engine)["replay"]["speed"], 1000);
}

TEST(ChartEngine, RefusesWhatItCannotDoWithAReason) {
    auto engine = SampleEngine(300);
    for (const int32_t bar : {0, 301}) {
        ReplayRequest start;
        start.startBar = bar;
        const EngineReply reply = engine->Replay(start);
        EXPECT_EQ(reply.status, 400) << bar;
        EXPECT_EQ(*reply.body, "the start bar must be from 1 to 300\n");
    }
    EXPECT_EQ(engine->Replay(Action(ReplayRequest::Action::kStep)).status, 409) << "every bar is shown";
    const EngineReply bad = engine->ChangeSettings({{{"Frame Size", "32"}, {"Frame Size", "65"}}, {}});
    EXPECT_EQ(bad.status, 400);
    EXPECT_EQ(bad.body->rfind("inputs[1]: ", 0), 0u) << *bad.body;
    EXPECT_NE(bad.body->find("\"65\""), std::string::npos) << *bad.body;
    EXPECT_EQ(InputValue(StateOf(*engine), "Frame Size"), "32") << "the settings before the refused one stay";
    ReplayRequest stop;
    stop.action = ReplayRequest::Action::kPause;
    engine->Stop();
    EXPECT_EQ(engine->Replay(stop).status, 503) << "a stopped engine answers at once";
}

TEST(ChartEngine, SendsOnlyWhatChangedAndAskForAReloadWhenManyBarsDid) {
    auto engine = SampleEngine(1950, 1900);
    const uint64_t before = engine->events().version();
    ASSERT_EQ(engine->Replay(Action(ReplayRequest::Action::kStep)).status, 200);
    std::vector<ChartEvent> events = engine->events().EventsAfter(before);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].name, "update");
    json update = json::parse(events[0].data);
    EXPECT_EQ(update["barCount"], 1901);
    EXPECT_EQ(update["barsFrom"], 1900) << "only the new bar travels";
    EXPECT_GE(update["seriesFrom"].get<int32_t>(), 1900);
    EXPECT_EQ(update["bars"]["close"].back(), SampleBars().bars.close[1900]);

    ASSERT_EQ(engine->PushButton(5, kButtonPushedOn).status, 200);
    events = engine->events().EventsAfter(before + 1);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].name, "update");
    update = json::parse(events[0].data);
    EXPECT_EQ(update["barsFrom"], 1901) << "a recalculation changes no bar";
    EXPECT_LT(update["seriesFrom"].get<int32_t>(), 100) << "but the levels of most bars";
    EXPECT_TRUE(update.contains("drawings"));

    ReplayRequest start;
    start.startBar = 1000;
    ASSERT_EQ(engine->Replay(start).status, 200);
    events = engine->events().EventsAfter(before + 2);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].name, "update");
    update = json::parse(events[0].data);
    EXPECT_EQ(update["barCount"], 1000) << "starting over: the bars after the start go";
    EXPECT_EQ(update["barsFrom"], 1000);
}

TEST(ChartEngine, KeepsAtMostMaxBarsByDroppingTheOldestEighth) {
    auto engine = SampleEngine(1950, 1000, 1000);
    const uint64_t before = engine->events().version();
    ASSERT_EQ(engine->Replay(Action(ReplayRequest::Action::kStep)).status, 200);
    const json state = StateOf(*engine);
    EXPECT_EQ(state["barCount"], 875);
    EXPECT_EQ(state["replay"]["knownBars"], 1824) << "the dropped bars are gone from the replay too";
    EXPECT_EQ(state["bars"]["close"].back(), SampleBars().bars.close[1000]);
    const std::vector<ChartEvent> events = engine->events().EventsAfter(before);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].name, "reload") << "every bar moved: too many for an update";
}

TEST(ChartEngine, FollowedLinesUpdateTheLastBarOrAddBars) {
    const std::string path = kovra::testing::FreshTestFolder("engine_follow") + "/bars.csv";
    std::ofstream(path) << "datetime,open,high,low,close\n";
    Warnings warnings;
    auto followed = std::make_unique<FollowedFile>(path, [&warnings](const std::string& line) { warnings.Add(line); });
    auto engine = SampleEngine(300, 0, 0, std::move(followed), &warnings);
    const int64_t last = SampleBars().bars.dateTimes[299];
    const int64_t minute = 60'000'000;
    std::ofstream(path, std::ios::app) << FormatDateTime(last) << ",4700,4800,4600,4799.5\n"
                                       << FormatDateTime(last + minute) << ",4799.5,4800,4799,4799.75\n"
                                       << FormatDateTime(last - minute) << ",1,1,1,1\n"
                                       << "not a bar\n";
    ASSERT_TRUE(Eventually([&] { return StateOf(*engine)["barCount"] == 301; }));
    const json state = StateOf(*engine);
    EXPECT_EQ(state["bars"]["close"][299], 4799.5) << "same date-time: the last bar updated";
    EXPECT_EQ(state["bars"]["close"][300], 4799.75);
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(warnings.mutex);
        return warnings.lines.size() == 2;
    }));
    const std::string both = warnings.lines[0] + "\n" + warnings.lines[1];
    EXPECT_NE(both.find("is older than the last bar"), std::string::npos) << both;
    EXPECT_NE(both.find(path + ":5:"), std::string::npos) << "a bad line is named by its line in the file: " << both;
}

TEST(ChartEngine, AFollowedFileRenamedOverStartsTheChartOverWithItsLastBars) {
    const std::string folder = kovra::testing::FreshTestFolder("engine_follow_replaced");
    std::ofstream(folder + "/bars.csv") << "datetime,open,high,low,close\n";
    auto followed = std::make_unique<FollowedFile>(folder + "/bars.csv", [](const std::string&) {});
    auto engine = SampleEngine(300, 0, 200, std::move(followed));
    LoadedBars replacement = SampleBars();
    replacement.bars = FirstSampleBars(500);
    std::ofstream(folder + "/new.csv") << FormatBarsCsv(replacement);
    ASSERT_EQ(std::rename((folder + "/new.csv").c_str(), (folder + "/bars.csv").c_str()), 0);
    ASSERT_TRUE(Eventually([&] { return StateOf(*engine)["barCount"] == 200; }));
    const json state = StateOf(*engine);
    EXPECT_EQ(state["bars"]["close"][199], replacement.bars.close[499]) << "the file's last 200 bars";
    EXPECT_EQ(state["bars"]["close"][0], replacement.bars.close[300]);
}

TEST(ChartEngine, ATimeframeIsMadeFromTheSourceBarsWhichTheReplayAndTheFollowedFileStillBring) {
    const std::string path = kovra::testing::FreshTestFolder("engine_timeframe") + "/bars.csv";
    std::ofstream(path) << "datetime,open,high,low,close\n";
    auto engine = SampleEngine(300, 0, 0, std::make_unique<FollowedFile>(path, [](const std::string&) {}));
    const BarColumns& sample = SampleBars().bars;  // one-minute bars from 09:30, without gaps at the start

    ASSERT_EQ(engine->ChangeTimeframe(Timeframe{TimeUnit::kMinute, 5}).status, 200);
    json state = StateOf(*engine);
    EXPECT_EQ(state["timeframe"], "5m");
    EXPECT_EQ(state["barCount"], 60);
    EXPECT_EQ(state["replay"]["shownBars"], 300);
    EXPECT_EQ(state["bars"]["open"][1], sample.open[5]);
    EXPECT_EQ(state["bars"]["high"][1], *std::max_element(&sample.high[5], &sample.high[10]));
    EXPECT_EQ(state["bars"]["close"][59], sample.close[299]);

    const EngineReply finer = engine->ChangeTimeframe(Timeframe{TimeUnit::kSecond, 30});
    EXPECT_EQ(finer.status, 400);
    EXPECT_NE(finer.body->find("finer"), std::string::npos) << *finer.body;
    EXPECT_EQ(StateOf(*engine)["timeframe"], "5m") << "a refused timeframe changes nothing";

    const int64_t minute = 60'000'000, next = sample.dateTimes[299] + minute;
    std::ofstream(path, std::ios::app) << FormatDateTime(next) << ",4700,4710,4690,4705\n"
                                       << FormatDateTime(next + minute) << ",4705,4720,4700,4715\n";
    ASSERT_TRUE(Eventually([&] { return StateOf(*engine)["replay"]["shownBars"] == 302; }));
    state = StateOf(*engine);
    EXPECT_EQ(state["barCount"], 61) << "14:30 opens a bucket, 14:31 revises it";
    EXPECT_EQ(state["bars"]["high"][60], 4720);
    EXPECT_EQ(state["bars"]["close"][60], 4715);

    ReplayRequest start;
    start.startBar = 298;
    ASSERT_EQ(engine->Replay(start).status, 200);
    ASSERT_EQ(engine->Replay(Action(ReplayRequest::Action::kStep)).status, 200);
    state = StateOf(*engine);
    EXPECT_EQ(state["replay"]["shownBars"], 299) << "the replay steps by source bars";
    EXPECT_EQ(state["barCount"], 60);
    EXPECT_EQ(state["bars"]["close"][59], sample.close[298]);

    ASSERT_EQ(engine->ChangeTimeframe(std::nullopt).status, 200);
    state = StateOf(*engine);
    EXPECT_EQ(state["timeframe"], "file");
    EXPECT_EQ(state["barCount"], 299);
}

}  // namespace
}  // namespace serve_test
