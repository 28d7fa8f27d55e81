// The control-bar buttons through the real library: the pushed frame-size
// button on bar 0, pushes turned into input changes and recalculation
// requests, and the calls on which an event is handled. (The texts themselves
// are compared with the golden `kovra buttons` output.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/runtime/HostTextOperations.h"
#include "tests/driver/DriverHarness.h"

using namespace kovra::layout;

namespace kovra::testing {
namespace {

using host::TextView;

class Buttons : public ::testing::Test {
protected:
    Buttons() { h.Append(RandomWalk(100, 21)); }

    ControlBarButton& Button(int32_t number) { return h.chart.controlBar.buttons()[static_cast<size_t>(number)]; }
    float InputValue(int32_t position) { return h.study->inputs()[static_cast<size_t>(position)].Value; }
    void Push(int32_t number, int32_t kind = kButtonPushedOn) { h.chart.pendingEvent = {number, kind}; }

    DriverHarness h;
};

// Indices 0..7 mark buttons 1..8 (an index of 7 marks the "0%" button), 8
// marks none; the index is the value rounded half away from zero.
TEST(ButtonSetUp, MarksTheButtonOfEachFrameSizeIndex) {
    for (int32_t index = 0; index <= 8; ++index) {
        DriverHarness h;
        h.Append(RandomWalk(2, 1));
        h.study->inputs()[kInputFrameSize].Value = static_cast<float>(index) + (index % 2 == 0 ? 0.4f : -0.5f);
        h.Run(0, 0);
        for (int32_t number = 1; number <= 17; ++number) {
            const int32_t expected = index < 8 && number == index + 1 ? 1 : 0;
            EXPECT_EQ(h.chart.controlBar.buttons()[static_cast<size_t>(number)].Pushed, expected)
                << "index " << index << " button " << number;
        }
    }
}

TEST_F(Buttons, PushingFiveSelectsA64BarFrameAndTheRecalculationMarksItAgain) {
    h.RunAll();
    Push(5);
    h.Run(99, 99);
    EXPECT_EQ(InputValue(kInputFrameSize), 4.0f);
    EXPECT_EQ(h.study->inputs()[kInputFrameSize].TypeCode, kInputTypeCustomList);
    EXPECT_EQ(Button(5).Pushed, 1);
    EXPECT_EQ(Button(3).Pushed, 1);  // the others of the group stay as they were
    ASSERT_TRUE(h.study->TakeRecalculationRequest());

    Button(5).Pushed = 0;
    h.Run(0, 0);
    EXPECT_EQ(Button(5).Pushed, 1);
    h.Run(1, 99);
    EXPECT_TRUE(std::isnan(h.Value(kSubgraphTop, 63)) || h.FrameStart() >= 64);
    const std::vector<Bar> bars = [&] {
        std::vector<Bar> all;
        for (int32_t i = 0; i < 100; ++i)
            all.push_back({h.chart.bars.open[i], h.chart.bars.high[i], h.chart.bars.low[i], h.chart.bars.close[i]});
        return all;
    }();
    for (const int32_t bar : {64, 80, 99}) {
        const ExpectedLevels expected = RoutineOnWindow(levels::LevelAlgorithm::Optimized, bars, bar - 63, bar, true);
        EXPECT_EQ(h.Value(kSubgraphTop, bar), expected.top) << bar;
    }
    EXPECT_EQ(h.FrameEnd() - h.FrameStart(), 64);
}

TEST_F(Buttons, GridButtonTogglesShowGridWithARecalculationEachTime) {
    h.RunAll();
    for (const float expected : {0.0f, 1.0f}) {
        Push(17);
        h.Run(99, 99);
        EXPECT_EQ(InputValue(kInputShowGrid), expected);
        EXPECT_EQ(h.study->inputs()[kInputShowGrid].TypeCode, 5);
        EXPECT_TRUE(h.study->TakeRecalculationRequest());
    }
}

TEST_F(Buttons, EachPushSetsItsInputToItsListIndex) {
    struct Row {
        int32_t button, input;
        float index;
    };
    const Row kRows[] = {
        {1, kInputFrameSize, 0},           {2, kInputFrameSize, 1},           {7, kInputFrameSize, 6},
        {8, kInputPriorFrameInclusion, 0}, {9, kInputPriorFrameInclusion, 1}, {10, kInputPriorFrameInclusion, 2},
        {11, kInputPriceExtremes, 0},      {12, kInputPriceExtremes, 1},      {13, kInputFrameAlgorithm, 0},
        {14, kInputFrameAlgorithm, 1},     {15, kInputFrameAlgorithm, 2},     {16, kInputFrameAlgorithm, 3},
    };
    h.RunAll();
    for (const Row& row : kRows) {
        h.SetInput(kInputFrameSize, kSize4);  // bar 99 must reach the event step
        h.SetInput(row.input, 9);             // a value none of the pushes sets
        Push(row.button);
        h.Run(99, 99);
        EXPECT_EQ(InputValue(row.input), row.index) << row.button;
        EXPECT_EQ(h.study->inputs()[static_cast<size_t>(row.input)].TypeCode, kInputTypeCustomList) << row.button;
        EXPECT_EQ(Button(row.button).Pushed, 1) << row.button;
        EXPECT_TRUE(h.study->TakeRecalculationRequest()) << row.button;
    }
}

TEST_F(Buttons, AnOffEventOrAnotherButtonChangesNothing) {
    h.RunAll();
    const host::RecordColumn<StudyInput> before = h.study->inputs();
    for (const auto& [number, kind] : {std::pair{5, kButtonPushedOff}, std::pair{17, kButtonPushedOff},
                                       std::pair{18, kButtonPushedOn}, std::pair{-1, kButtonPushedOn}}) {
        Push(number, kind);
        h.Run(99, 99);
        EXPECT_FALSE(h.study->TakeRecalculationRequest()) << number;
        for (int32_t position : {kInputFrameSize, kInputShowGrid, kInputFrameAlgorithm})
            EXPECT_EQ(InputValue(position), before[static_cast<size_t>(position)].Value) << number;
    }
    EXPECT_EQ(Button(5).Pushed, 0);
    EXPECT_EQ(Button(17).Pushed, 0);
}

// A push arriving before the frame size's bar, or while the host holds chart
// updates, waits for a call that reaches the event step.
TEST_F(Buttons, AnEventWaitsForACallThatReachesTheEventStep) {
    h.Run(0, 10);
    Push(14);
    h.Run(11, 15);
    h.record().HoldChartUpdates = 1;
    h.Run(16, 16);
    EXPECT_EQ(InputValue(kInputFrameAlgorithm), 1.0f);
    EXPECT_EQ(h.chart.pendingEvent.number, 14);
    EXPECT_FALSE(h.study->TakeRecalculationRequest());
    h.record().HoldChartUpdates = 0;
    h.Run(17, 17);
    EXPECT_EQ(Button(14).Pushed, 1);
    EXPECT_TRUE(h.study->TakeRecalculationRequest());
}

// Logs every text the study assigns, to see the order within one call.
std::vector<std::string> assigned;
void (*forwardAssign)(HostStudyInterface*, HostText*, const char*) = nullptr;
void LogAssign(HostStudyInterface* host, HostText* text, const char* value) {
    assigned.emplace_back(value != nullptr ? value : "(null)");
    forwardAssign(host, text, value);
}

TEST_F(Buttons, ReleaseButtonsOnBarZeroWritesTheTextsThenBlanksThem) {
    forwardAssign = h.record().TextAssign;
    h.record().TextAssign = &LogAssign;
    h.record().ReleaseButtons = 1;
    assigned.clear();
    h.Run(0, 0);
    // Set-up: 2 hover and 7 label texts, then 10 labels and 10 hovers; then 34 blanks.
    ASSERT_EQ(assigned.size(), 29u + 34u);
    EXPECT_EQ(assigned[0], "Frame 4");
    EXPECT_EQ(assigned[2], " 4 ");
    EXPECT_EQ(assigned[28], "Grid toggle, show/hide");
    for (size_t i = 29; i < assigned.size(); ++i) EXPECT_EQ(assigned[i], "") << i;
    for (int32_t number = 1; number <= 17; ++number) {
        EXPECT_EQ(Button(number).Label.Length, 0) << number;
        EXPECT_EQ(Button(number).Hover.Length, 0) << number;
    }
    h.record().TextAssign = forwardAssign;
}

}  // namespace
}  // namespace kovra::testing
