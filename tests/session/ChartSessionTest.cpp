// The chart session drives a study as the platform does: which bars it calls,
// in what order, and how it reacts to recalculation requests.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "host/runtime/ChartSession.h"
#include "record/HostArrayAccess.h"

namespace {

using kovra::host::BarColumns;
using kovra::host::ChartSession;
using kovra::host::SessionOptions;

// What the fake study saw and how it should behave; reset by each test.
struct FakeScript {
    std::vector<int32_t> calls;           // current bar of each non-defaults call
    std::vector<int32_t> barCounts;       // bar count of each call
    std::vector<int32_t> pendingButtons;  // pending button number of each call
    std::vector<float> switchValues;      // the "Switch" input's value at each call
    bool requestOnButton = false;         // ask for a recalculation when an on event is pending
    bool requestOnBarZeroAlways = false;
    int32_t defaultsCalls = 0;
};
FakeScript script;

void FakeStudy(HostStudyInterface& host) {
    StudyInput& switchInput = kovra::record::HostArrayAccess(host, host.Inputs, 0);
    if (host.IsDefaultsCall != 0) {
        ++script.defaultsCalls;
        host.TextAssign(&host, &switchInput.Name, "Switch");
        switchInput.TypeCode = kInputTypeYesNo;
        return;
    }
    script.switchValues.push_back(switchInput.Value);
    script.calls.push_back(host.CurrentBar);
    script.barCounts.push_back(host.BarCount);
    script.pendingButtons.push_back(host.PendingButtonNumber);
    const bool buttonOn = host.PendingButtonNumber != 0 && host.PendingButtonKind == kButtonPushedOn;
    if ((script.requestOnButton && buttonOn) || (script.requestOnBarZeroAlways && host.CurrentBar == 0))
        host.RecalculationRequested = 1;
}

BarColumns MinuteBars(int32_t count, float price = 100.0f) {
    BarColumns bars;
    for (int32_t i = 0; i < count; ++i)
        bars.Append(int64_t{45000} * 86400 * 1000000 + i * int64_t{60000000}, price, price + 1, price - 1, price);
    return bars;
}

std::vector<int32_t> Range(int32_t first, int32_t end) {
    std::vector<int32_t> bars;
    for (int32_t bar = first; bar < end; ++bar) bars.push_back(bar);
    return bars;
}

class ChartSessionTest : public ::testing::Test {
protected:
    void SetUp() override { script = FakeScript{}; }
};

TEST_F(ChartSessionTest, StartDeclaresThenCallsEveryBarOnceInOrder) {
    ChartSession session(MinuteBars(5), &FakeStudy);
    session.Start({{{"Switch", "yes"}}, {}});
    // The settings apply after the defaults call declared the input and before the first bar.
    EXPECT_EQ(script.defaultsCalls, 1);
    EXPECT_EQ(script.switchValues, std::vector<float>(5, 1.0f));
    EXPECT_EQ(script.calls, Range(0, 5));
    EXPECT_EQ(session.fullRecalculations(), 1);
    EXPECT_EQ(session.lastRecalculationBars(), 5);
    EXPECT_TRUE(session.warnings().empty());
}

TEST_F(ChartSessionTest, ARecalculationRequestLeadsToAFullRecalculationAfterTheCall) {
    script.requestOnButton = true;
    ChartSession session(MinuteBars(4), &FakeStudy);
    session.Start();
    script.calls.clear();

    session.Push(7, kButtonPushedOn);

    std::vector<int32_t> expected{3};  // the click reaches the last bar, then bars 0..3 again
    for (int32_t bar : Range(0, 4)) expected.push_back(bar);
    EXPECT_EQ(script.calls, expected);
    EXPECT_EQ(session.fullRecalculations(), 2);
    EXPECT_EQ(session.chart().pendingEvent.number, 0) << "an acted-on event must not be delivered again";
}

TEST_F(ChartSessionTest, AnOffEventIsDeliveredOnceAndRecalculatesNothing) {
    script.requestOnButton = true;
    ChartSession session(MinuteBars(4), &FakeStudy);
    session.Start();
    script.pendingButtons.clear();

    session.Push(7, kButtonPushedOff);
    session.PlayTicks(1, 3);

    EXPECT_EQ(session.fullRecalculations(), 1);
    EXPECT_EQ(script.pendingButtons, (std::vector<int32_t>{7, 0}));
}

TEST_F(ChartSessionTest, EndlessRequestsStopAfterTheChainLimitWithAWarning) {
    script.requestOnBarZeroAlways = true;
    SessionOptions options;
    options.maxChainedRecalculations = 3;
    ChartSession session(MinuteBars(6), &FakeStudy, options);
    session.Start();

    // Three restarts at bar 0 are honoured; the fourth pass runs to the end.
    std::vector<int32_t> expected{0, 0, 0};
    for (int32_t bar : Range(0, 6)) expected.push_back(bar);
    EXPECT_EQ(script.calls, expected);
    EXPECT_EQ(session.fullRecalculations(), 1);
    ASSERT_EQ(session.warnings().size(), 1u);
    EXPECT_NE(session.warnings()[0].find("stopped after 3"), std::string::npos) << session.warnings()[0];
}

TEST_F(ChartSessionTest, TicksCallTheLastBarAgainAndNewBarsExtendTheChart) {
    ChartSession session(MinuteBars(3), &FakeStudy);
    session.Start();
    script.calls.clear();
    script.barCounts.clear();

    session.PlayTicks(200, 42);

    const BarColumns& bars = session.chart().bars;
    ASSERT_EQ(script.calls.size(), 200u) << "one call per update";
    for (size_t i = 0; i < script.calls.size(); ++i)
        EXPECT_EQ(script.calls[i], script.barCounts[i] - 1) << "update " << i << " must compute the last bar";
    EXPECT_GT(bars.size(), 3) << "some updates start a new bar";
    EXPECT_LT(bars.size(), 3 + 100) << "most updates change the last bar";
    for (int32_t bar = 3; bar < bars.size(); ++bar) {
        EXPECT_EQ(bars.dateTimes[bar] - bars.dateTimes[bar - 1], 60000000) << "bar " << bar;
        EXPECT_EQ(bars.open[bar], bars.close[bar - 1]) << "a new bar opens at the last close, bar " << bar;
        EXPECT_LE(bars.low[bar], std::min(bars.open[bar], bars.close[bar])) << "bar " << bar;
        EXPECT_GE(bars.high[bar], std::max(bars.open[bar], bars.close[bar])) << "bar " << bar;
        const double onGrid = bars.close[bar] / 0.25;
        EXPECT_EQ(onGrid, std::round(onGrid)) << "close " << bars.close[bar] << " is off the 0.25 grid";
    }
}

// The session tells a live view what to send again: one bar, a revision of
// the last bar, or everything, with no copy of the chart to compare with.
TEST_F(ChartSessionTest, EachChangeSaysFromWhichBarTheBarsAndSeriesDiffer) {
    using kovra::host::ChartChange;
    constexpr int32_t kNone = ChartChange::kUnchanged;
    script.requestOnButton = true;
    ChartSession session(MinuteBars(10), &FakeStudy);
    EXPECT_EQ(session.TakeChange(), (ChartChange{0, 0})) << "a new session is all new";
    EXPECT_EQ(session.TakeChange(), (ChartChange{kNone, kNone})) << "taking it starts counting anew";
    session.Start();
    EXPECT_EQ(session.TakeChange(), (ChartChange{kNone, 0}));

    const BarColumns more = MinuteBars(12, 100.0f);
    struct Step {
        const char* what;
        std::function<void()> act;
        ChartChange expected;
    };
    const Step steps[] = {
        {"a new bar", [&] { session.AppendBar(more.At(10)); }, {10, 10}},
        {"a revision", [&] { session.ReviseLastBar(more.At(10)); }, {10, 10}},
        {"two new bars untaken", [&] { session.AppendBar(more.At(11)), session.ReviseLastBar(more.At(11)); }, {11, 11}},
        {"the same bars again", [&] { session.ReplaceBars(MinuteBars(12)); }, {12, 0}},
        {"a tick", [&] { session.PlayTicks(1, 3); }, {11, 11}},
        {"a push without a request", [&] { session.Push(5, kButtonPushedOff); }, {kNone, 11}},
        {"a push asking for a recalculation", [&] { session.Push(5, kButtonPushedOn); }, {kNone, 0}},
        {"settings",
         [&] {
             session.ChangeSettings({{{"Switch", "no"}}, {}});
         },
         {kNone, 0}},
        {"the first 6 bars", [&] { session.ReplaceBars(MinuteBars(6)); }, {6, 0}},
        {"other prices", [&] { session.ReplaceBars(MinuteBars(6, 90.0f)); }, {0, 0}},
    };
    for (const Step& step : steps) {
        step.act();
        const ChartChange change = session.TakeChange();
        EXPECT_EQ(change.barsFrom, step.expected.barsFrom) << step.what;
        EXPECT_EQ(change.seriesFrom, step.expected.seriesFrom) << step.what;
    }
}

TEST_F(ChartSessionTest, TicksAreDeterminedByTheSeed) {
    auto play = [](uint64_t seed) {
        ChartSession session(MinuteBars(3), &FakeStudy);
        session.Start();
        session.PlayTicks(300, seed);
        return session.chart().bars.close;
    };
    EXPECT_EQ(play(9), play(9));
    EXPECT_NE(play(9), play(10));
}

// Updates move by at most two whole ticks: an instrument trading at or below
// zero (a spread) keeps trading there; one whose bars are all above zero stays
// at least one tick above it.
TEST_F(ChartSessionTest, TicksMoveByWholeTicksAndStayAboveZeroOnlyForPositiveInstruments) {
    struct Row {
        float start;
        bool positive;
    };
    for (const Row& row : {Row{-10.0f, false}, Row{1.25f, true}}) {
        ChartSession session(MinuteBars(3, row.start), &FakeStudy);
        session.Start();
        float last = row.start;
        bool belowOneTick = false;
        for (uint64_t seed = 1; seed <= 400; ++seed) {
            session.PlayTicks(1, seed);
            const float close = session.chart().bars.close.back();
            ASSERT_LE(std::fabs(close - last), 0.5f) << "start " << row.start << ", update " << seed;
            belowOneTick = belowOneTick || close < 0.25f;
            last = close;
        }
        EXPECT_EQ(belowOneTick, !row.positive) << "start " << row.start;
    }
}

// A chart of one-minute bars shown as 5-minute bars, as a followed file feeds it.
TEST_F(ChartSessionTest, InATimeframeASourceBarRevisesTheLastBucketOrOpensANewOne) {
    using kovra::host::Bar;
    using Taken = ChartSession::BarTaken;
    SessionOptions options;
    options.timeframe.emplace(kovra::host::Timeframe{kovra::host::TimeUnit::kMinute, 5}, 0);
    const BarColumns minutes = MinuteBars(7);  // from midnight: buckets of 5 and 2 bars
    const auto minute = [&minutes](int64_t i) { return minutes.dateTimes[0] + i * 60'000'000; };
    ChartSession session(minutes, &FakeStudy, options);
    session.Start();
    ASSERT_EQ(session.chart().bars.size(), 2);
    EXPECT_EQ(session.sourceBars(), 7);
    script.calls.clear(), script.barCounts.clear();

    struct Step {
        Bar source;
        Taken taken;
        int32_t chartBars;
        float high, close;  // the chart's last bar's after the step
    };
    const Step steps[] = {
        {{minute(7), 100, 105, 99, 104, 3}, Taken::kAppended, 2, 105, 104},    // joins the last bucket
        {{minute(7), 100, 100.5f, 99, 100, 2}, Taken::kRevised, 2, 101, 100},  // its high falls back to the others'
        {{minute(10), 100, 102, 100, 102, 1}, Taken::kAppended, 3, 102, 102},  // opens a new bucket
    };
    std::vector<int32_t> expectedCalls;
    for (const Step& step : steps) {
        EXPECT_EQ(session.TakeBar(step.source), step.taken);
        const BarColumns& bars = session.chart().bars;
        ASSERT_EQ(bars.size(), step.chartBars);
        EXPECT_EQ(bars.high.back(), step.high);
        EXPECT_EQ(bars.close.back(), step.close);
        expectedCalls.push_back(step.chartBars - 1);  // the study is called on the chart's last bar
    }
    EXPECT_EQ(script.calls, expectedCalls);
    EXPECT_EQ(script.barCounts, (std::vector<int32_t>{2, 2, 3}));
    const BarColumns& bars = session.chart().bars;
    EXPECT_EQ(bars.dateTimes.back(), minute(10));
    EXPECT_EQ(bars.open[1], 100.0f);
    EXPECT_EQ(bars.volume[1], 2.0f);  // the two minutes' own volumes (0) and the revised one's
    EXPECT_EQ(session.TakeBar({minute(9), 1, 1, 1, 1, 0}), Taken::kOlder);
    EXPECT_EQ(session.sourceBars(), 9);
}

TEST_F(ChartSessionTest, InATimeframeTicksAddSourceBarsAtTheirSpacing) {
    SessionOptions options;
    options.timeframe.emplace(kovra::host::Timeframe{kovra::host::TimeUnit::kMinute, 5}, 0);
    ChartSession session(MinuteBars(7), &FakeStudy, options);
    session.Start();
    script.calls.clear();
    session.PlayTicks(400, 3);
    EXPECT_EQ(script.calls.size(), 400u);  // one call of the last bar per update
    const int32_t sources = session.sourceBars();
    EXPECT_GT(sources, 7 + 20);
    // One-minute source bars from midnight without a gap: a bucket per five.
    EXPECT_EQ(session.chart().bars.size(), (sources + 4) / 5);
    const BarColumns& bars = session.chart().bars;
    EXPECT_EQ(bars.dateTimes.back() - bars.dateTimes.front(), int64_t{5} * 60'000'000 * (bars.size() - 1));
}

TEST_F(ChartSessionTest, ChangingTheTimeframeRemakesTheChartFromTheSourceBarsOrRefusesAndKeepsIt) {
    using kovra::host::Timeframe, kovra::host::TimeUnit, kovra::host::TimeframeBuckets;
    const BarColumns minutes = MinuteBars(12);
    ChartSession session(minutes, &FakeStudy);
    session.Start();
    struct Case {
        std::optional<TimeframeBuckets> timeframe;
        bool refused;
        int32_t chartBars;  // after the change
    };
    const Case cases[] = {
        {TimeframeBuckets(Timeframe{TimeUnit::kMinute, 5}, 0), false, 3},
        {TimeframeBuckets(Timeframe{TimeUnit::kSecond, 30}, 0), true, 3},  // finer than the bars: still 5 minutes
        {TimeframeBuckets(Timeframe{TimeUnit::kHour, 1}, 0), false, 1},
        {std::nullopt, false, 12},
    };
    for (const Case& c : cases) {
        const int64_t recalculations = session.fullRecalculations();
        if (c.refused)
            EXPECT_THROW(session.ChangeTimeframe(c.timeframe, minutes), kovra::host::TimeframeError);
        else
            session.ChangeTimeframe(c.timeframe, minutes);
        EXPECT_EQ(session.chart().bars.size(), c.chartBars);
        EXPECT_EQ(session.fullRecalculations(), recalculations + (c.refused ? 0 : 1));
        EXPECT_EQ(session.sourceBars(), 12);
    }
    EXPECT_EQ(session.chart().bars.dateTimes, minutes.dateTimes);
}

TEST_F(ChartSessionTest, AChartWithoutBarsTakesNoUpdates) {
    ChartSession session(BarColumns{}, &FakeStudy);
    session.Start();
    session.PlayTicks(10, 1);
    session.Push(3, kButtonPushedOn);
    EXPECT_TRUE(script.calls.empty());
    EXPECT_EQ(session.chart().bars.size(), 0);
}

}  // namespace
