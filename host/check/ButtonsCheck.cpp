// Buttons: no recalculation is asked for without a push; an off event
// changes nothing; a push asks for at most one recalculation; while the host holds chart updates a push changes nothing
// and nothing is drawn; while it releases the buttons, every button is blank.
// The buttons are those the study labels after a full recalculation.
#include <vector>

#include <fmt/format.h>

#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"
#include "host/check/CrashReport.h"
#include "host/check/RecordRules.h"

namespace kovra::host {

namespace {

constexpr int64_t kHeldUpdates = 20;
constexpr uint64_t kHeldSeed = 4;

std::vector<int32_t> LabelledButtons(const Chart& chart) {
    std::vector<int32_t> labelled;
    for (int32_t n = 1; n <= ControlBar::kSlotCount; ++n)
        if (FirstButtonWithTexts(chart.controlBar, n, n) == n) labelled.push_back(n);
    return labelled;
}

// What a button event may change: the outcome, the inputs and the buttons.
struct ChartState {
    StudyOutcome outcome;
    std::vector<std::pair<uint8_t, float>> inputs;         // type and value
    std::vector<std::pair<std::string, int32_t>> buttons;  // label and pushed state
    int64_t recalculations;
};

ChartState StateOf(const ChartSession& session) {
    ChartState state{OutcomeOf(session.study()), {}, {}, session.fullRecalculations()};
    for (const StudyInput& input : session.study().inputs()) state.inputs.emplace_back(input.TypeCode, input.Value);
    for (const ControlBarButton& button : session.chart().controlBar.buttons())
        state.buttons.emplace_back(std::string(TextView(button.Label)), button.Pushed);
    return state;
}

// The first change between two states, told after `event`: in the parts of
// the outcome asked for, the inputs or the buttons.
std::optional<CheckVerdict> Changed(const ChartState& before, const ChartState& after, const std::string& event,
                                    int32_t lastBar, unsigned outcomeParts) {
    if (const auto difference = FirstDifference(after.outcome, before.outcome, outcomeParts, "before"))
        return CheckVerdict::Fail(event + " changed something: " + difference->what, difference->bar,
                                  difference->value);
    for (size_t i = 0; i < before.inputs.size(); ++i)
        if (after.inputs[i] != before.inputs[i])
            return CheckVerdict::Fail(fmt::format("{} changed input {}", event, i), lastBar,
                                      FloatText(after.inputs[i].second));
    for (size_t n = 0; n < before.buttons.size(); ++n)
        if (after.buttons[n] != before.buttons[n])
            return CheckVerdict::Fail(fmt::format("{} changed button {}", event, n), lastBar,
                                      fmt::format("\"{}\" pushed {}", after.buttons[n].first, after.buttons[n].second));
    return std::nullopt;
}

std::optional<CheckVerdict> OffEventsAndPushes(ChartSession& session, const std::vector<int32_t>& buttons) {
    const int32_t lastBar = session.chart().bars.size() - 1;
    const WatchedCalls watch(session.study(), "button events");
    for (const int32_t n : buttons) {
        ChartState before = StateOf(session);
        // The host releases the button it sends the off event for, as a toggle does.
        if (static_cast<size_t>(n) < before.buttons.size()) before.buttons[static_cast<size_t>(n)].second = 0;
        session.Push(n, kButtonPushedOff);
        const std::string event = fmt::format("an off event on button {}", n);
        if (session.fullRecalculations() != before.recalculations)
            return CheckVerdict::Fail(event + " asked for a recalculation", lastBar);
        if (auto changed = Changed(before, StateOf(session), event, lastBar, kEveryPart)) return changed;
    }
    for (const int32_t n : buttons) {
        const int64_t before = session.fullRecalculations();
        session.Push(n, kButtonPushedOn);
        if (!session.warnings().empty())
            return CheckVerdict::Fail(fmt::format("a push of button {}: {}", n, session.warnings().front()), lastBar);
        if (const int64_t asked = session.fullRecalculations() - before; asked > 1)
            return CheckVerdict::Fail(
                fmt::format("a push of button {} asked for {} recalculations; one at most", n, asked), lastBar);
    }
    return std::nullopt;
}

std::optional<CheckVerdict> HeldUpdates(ChartSession& session, const std::vector<int32_t>& buttons) {
    const int32_t lastBar = session.chart().bars.size() - 1;
    const WatchedCalls watch(session.study(), "chart updates held");
    session.SetHoldChartUpdates(true);
    for (const int32_t n : buttons) {
        const ChartState before = StateOf(session);
        session.Push(n, kButtonPushedOn);
        // The bar is computed again, its series and persistent integers with
        // it; the event is not acted on and nothing is drawn.
        if (auto changed =
                Changed(before, StateOf(session), fmt::format("a push of button {} while chart updates are held", n),
                        lastBar, kDrawingsPart))
            return changed;
        if (session.fullRecalculations() != before.recalculations)
            return CheckVerdict::Fail(
                fmt::format("a push of button {} asked for a recalculation while chart updates are held", n), lastBar);
    }
    const DrawingStore& drawings = session.chart().drawings;
    const int64_t submissions = drawings.SubmissionsOf(session.study().studyIdentifier());
    const int64_t passes = session.drawingPasses();
    session.FullRecalculation();
    session.PlayTicks(kHeldUpdates, kHeldSeed);
    if (drawings.SubmissionsOf(session.study().studyIdentifier()) != submissions || session.drawingPasses() != passes)
        return CheckVerdict::Fail("drawings cleared or submitted while chart updates are held");
    return std::nullopt;
}

}  // namespace

CheckVerdict CheckButtons(const CheckContext& context) {
    const BarColumns& bars = context.charts.ordinary;
    const std::unique_ptr<ChartSession> session = StartedSession(context, bars, ChartName(bars));
    if (!session->warnings().empty() || session->fullRecalculations() != 1) {
        const std::string what = session->warnings().empty() ? "a second one ran" : session->warnings().front();
        return CheckVerdict::Fail("asked for a recalculation with no button pushed: " + what);
    }
    const std::vector<int32_t> buttons = LabelledButtons(session->chart());
    if (auto failed = OffEventsAndPushes(*session, buttons)) return *failed;
    if (auto failed = HeldUpdates(*StartedSession(context, bars, ChartName(bars)), buttons)) return *failed;

    const std::unique_ptr<ChartSession> released = StartedSession(context, bars, ChartName(bars));
    {
        const WatchedCalls watch(released->study(), "buttons released");
        released->SetReleaseButtons(true);
        released->FullRecalculation();
    }
    if (const int32_t n = FirstButtonWithTexts(released->chart().controlBar, 1, ControlBar::kSlotCount))
        return CheckVerdict::Fail(fmt::format("button {} keeps its texts while the host releases the buttons", n));
    return CheckVerdict::Pass(
        fmt::format("{} buttons labelled: off events change nothing, a push asks for one "
                    "recalculation at most, held updates and released buttons honoured",
                    buttons.size()));
}

}  // namespace kovra::host
