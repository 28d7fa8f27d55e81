// Alerts as the last bar's close moves tick by tick, on bars whose levels the
// test chooses (eighths one apart: 0/8th at 100, 8/8th at 108).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/workspace/CrossingAlerts.h"
#include "tests/scan/ScriptedLevels.h"

namespace {

using kovra::host::Alert;
using kovra::host::AlertJsonLine;
using kovra::host::AlertLines;
using kovra::host::CrossingAlerts;
using kovra::host::CrossingDirection;
using kovra::host::DirectionText;
using kovra::testing::RunScriptedLevels;
using kovra::testing::ScriptedBarAt;

struct Tick {
    bool newBar;  // else the last bar is revised
    float close;
    std::vector<std::string> every;   // alerts with every line chosen: "up 1/8th"
    std::vector<std::string> chosen;  // with only 8/8th and 0/8th chosen
};

// Bar 1 starts at 100.5, the previous close; its close then oscillates around
// 1/8th (101) and 0/8th (100). Each row is one update.
const std::vector<Tick> kTicks = {
    {false, 101.5, {"up 1/8th"}, {}},               // crosses 1/8th
    {false, 101.75, {}, {}},                        // stays above it: nothing more
    {false, 101, {}, {}},                           // lands on it: still crossed
    {false, 100.75, {}, {}},                        // back below: nothing crossed
    {false, 101.25, {"up 1/8th"}, {}},              // and across again
    {false, 99.5, {"down 0/8th"}, {"down 0/8th"}},  // below the previous close: down through 0/8th
    {false, 98.5, {"down -1/8th"}, {}},             // further: 0/8th is still crossed, -1/8th is new
    {false, 99.75, {}, {}},                         // back over -1/8th: only 0/8th stays crossed
    {false, 98.75, {"down -1/8th"}, {}},            // -1/8th again
    {false, 102.5, {"up 1/8th", "up 2/8th"}, {}},   // a jump up meets the lines upwards, lowest first
    {true, 102.5, {}, {}},                          // a new bar at the same close crosses nothing
    {false, 103, {"up 3/8th"}, {}},                 // its own move
    {true, 108, {"up 4/8th", "up 5/8th", "up 6/8th", "up 7/8th", "up 8/8th"}, {"up 8/8th"}},  // a gap
    {false, 107.5, {}, {}},                       // the gap shrinks: the lines left are not alerted again
    {false, 108.25, {"up 8/8th"}, {"up 8/8th"}},  // 8/8th crossed again on the same bar
};

std::vector<std::string> Texts(const std::vector<Alert>& alerts) {
    std::vector<std::string> texts;
    for (const Alert& alert : alerts) texts.push_back(std::string(DirectionText(alert.direction)) + " " + alert.line);
    return texts;
}

TEST(CrossingAlerts, OnceEachTimeTheCloseCrossesOnTheSameBarFilteredByTheChosenLines) {
    const AlertLines every;
    const AlertLines chosen{false, {"8/8th", "0/8th"}};
    for (const AlertLines* lines : {&every, &chosen}) {
        std::vector<kovra::testing::ScriptedBar> script(2, {100.5, 108, 100});
        for (const Tick& tick : kTicks)
            if (tick.newBar) script.push_back({tick.close, 108, 100});
        const auto session = RunScriptedLevels(script, true, 2);
        CrossingAlerts alerts;
        alerts.Baseline(session->study());
        int32_t bar = 1;
        for (size_t row = 0; row < kTicks.size(); ++row) {
            const Tick& tick = kTicks[row];
            if (tick.newBar)
                session->AppendBar(ScriptedBarAt(++bar, tick.close));
            else
                session->ReviseLastBar(ScriptedBarAt(bar, tick.close));
            const std::vector<Alert> raised = alerts.Update(session->study(), "ES", *lines);
            EXPECT_EQ(Texts(raised), lines == &every ? tick.every : tick.chosen)
                << "row " << row << (lines == &every ? ", every line" : ", chosen lines");
            for (const Alert& alert : raised) {
                EXPECT_EQ(alert.closeAfter, tick.close);
                EXPECT_EQ(alert.dateTime, ScriptedBarAt(bar, 0).dateTime);
            }
        }
    }
}

TEST(CrossingAlerts, BaselineTakesWhatTheLastBarHasCrossedAsAlerted) {
    // Bar 1 already crossed 1/8th when the chart opened (or was recalculated).
    const auto session = RunScriptedLevels({{100.5, 108, 100}, {101.5, 108, 100}});
    CrossingAlerts alerts;
    alerts.Baseline(session->study());
    session->ReviseLastBar(ScriptedBarAt(1, 101.75));
    EXPECT_TRUE(alerts.Update(session->study(), "ES", {}).empty());
    session->ReviseLastBar(ScriptedBarAt(1, 102.25));
    EXPECT_EQ(Texts(alerts.Update(session->study(), "ES", {})), std::vector<std::string>{"up 2/8th"});
}

TEST(CrossingAlerts, JsonLineEscapesTextsAndWritesPricesAsTheCrossingsCsv) {
    const int64_t at = ScriptedBarAt(2, 0).dateTime;  // 2024-01-02 09:32:00
    const struct {
        Alert alert;
        const char* line;
    } kCases[] = {
        {{7, "ES", at, "1/8th", 101, CrossingDirection::kUp, 100.5f, 102.25f},
         R"({"event":7,"instrument":"ES","datetime":"2024-01-02 09:32:00","line":"1/8th","price":101,)"
         R"("direction":"up","close_before":100.5,"close_after":102.25})"},
        {{12, "a \"b\"\\c\n", at, "-1/8th", 0.1f, CrossingDirection::kDown, 4804.75f, -3.5f},
         R"({"event":12,"instrument":"a \"b\"\\c\n","datetime":"2024-01-02 09:32:00","line":"-1/8th",)"
         R"("price":0.100000001,"direction":"down","close_before":4804.75,"close_after":-3.5})"},
        {{1, "bad \xff name", at, "8/8th", 4515.625f, CrossingDirection::kUp, 1, 2},  // not UTF-8: replaced
         "{\"event\":1,\"instrument\":\"bad \xef\xbf\xbd name\",\"datetime\":\"2024-01-02 "
         "09:32:00\",\"line\":\"8/8th\","
         "\"price\":4515.625,\"direction\":\"up\",\"close_before\":1,\"close_after\":2}"},
    };
    for (const auto& c : kCases) EXPECT_EQ(AlertJsonLine(c.alert), std::string(c.line) + "\n");
}

}  // namespace
