// The checks that run the study twice and compare what it leaves, bit for
// bit: in two processes, on two charts at once, after a second full
// recalculation, and after live updates against a full recalculation.
#include <memory>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"
#include "host/check/ChildProcess.h"
#include "host/check/CrashReport.h"

namespace kovra::host {

namespace {

constexpr int64_t kLiveUpdates = 200;
constexpr int64_t kLiveStretch = 10;
constexpr uint64_t kLiveSeed = 1;
constexpr int kThreadRounds = 2;

CheckVerdict Differs(const std::string& context, const OutcomeDifference& difference) {
    return CheckVerdict::Fail(context + ": " + difference.what, difference.bar, difference.value);
}

StudyOutcome SessionOutcome(const CheckContext& context, const std::string& scenario) {
    return OutcomeOf(StartedSession(context, context.charts.ordinary, scenario)->study());
}

// Blocks of many sizes kept for the life of the process, so that its heap
// addresses differ from another's.
void UnsettleHeap() {
    static std::vector<std::unique_ptr<char[]>> kept;
    for (size_t size = 8; size < 4096; size = size * 3 / 2 + 8) kept.push_back(std::make_unique<char[]>(size));
}

// The study on two charts, called bar by bar in turn.
std::pair<StudyOutcome, StudyOutcome> InTurn(const CheckContext& context) {
    const StudyFunction study = StudyUnderCheck(context);
    PlainRun first(context.charts.ordinary, study), second(context.charts.second, study);
    auto call = [](PlainRun& run, const char* chart, int32_t bar) {
        const WatchedCalls watch(run.study(), std::string("two charts in turn, ") + chart);
        if (bar < 0)
            run.CallDefaults();
        else if (bar < run.bars())
            run.CallBar(bar);
    };
    for (int32_t bar = -1; bar < std::max(first.bars(), second.bars()); ++bar) {
        call(first, "the first", bar);
        call(second, "the second", bar);
    }
    return {OutcomeOf(first.study()), OutcomeOf(second.study())};
}

// The study on two charts, each on a thread of its own, at once.
std::pair<StudyOutcome, StudyOutcome> OnTwoThreads(const CheckContext& context) {
    const StudyFunction study = StudyUnderCheck(context);
    PlainRun first(context.charts.ordinary, study), second(context.charts.second, study);
    const WatchedCalls watch(first.study(), "two charts on two threads");
    std::thread other([&second] { second.CallAll(); });
    first.CallAll();
    other.join();
    return {OutcomeOf(first.study()), OutcomeOf(second.study())};
}

}  // namespace

CheckVerdict CheckDeterminism(const CheckContext& context) {
    // The other process first, while this one has not loaded the library yet.
    CheckVerdict there = RunInChild(
        [&context] {
            UnsettleHeap();
            CheckVerdict outcome = CheckVerdict::Pass({});
            outcome.payload = SerialiseOutcome(SessionOutcome(context, "the second process"));
            return outcome;
        },
        context.timeLimit);
    if (there.verdict != Verdict::kPass) return there;
    const StudyOutcome here = SessionOutcome(context, "the first process");
    if (const auto difference = FirstDifference(here, ParseOutcome(there.payload), kEveryPart, "in the other"))
        return Differs("the same bars in two processes", *difference);
    return CheckVerdict::Pass(
        fmt::format("bit-identical series, persistent integers and drawings in two processes, "
                    "{}",
                    ChartName(context.charts.ordinary)));
}

CheckVerdict CheckHiddenState(const CheckContext& context) {
    const StudyFunction study = StudyUnderCheck(context);
    const StudyOutcome firstAlone = PlainOutcome(context.charts.ordinary, study, "the first chart alone");
    const StudyOutcome secondAlone = PlainOutcome(context.charts.second, study, "the second chart alone");
    using Both = std::pair<StudyOutcome, StudyOutcome>;
    auto compare = [&](const Both& both, const char* how) -> std::optional<CheckVerdict> {
        if (const auto difference = FirstDifference(both.first, firstAlone, kEveryPart, "alone"))
            return Differs(fmt::format("two charts {}, the first", how), *difference);
        if (const auto difference = FirstDifference(both.second, secondAlone, kEveryPart, "alone"))
            return Differs(fmt::format("two charts {}, the second", how), *difference);
        return std::nullopt;
    };
    if (auto failed = compare(InTurn(context), "called bar by bar in turn")) return *failed;
    for (int round = 0; round < kThreadRounds; ++round)
        if (auto failed = compare(OnTwoThreads(context), "on two threads at once")) return *failed;
    return CheckVerdict::Pass(
        "two charts called bar by bar in turn, and on two threads at once, each give what they give alone");
}

CheckVerdict CheckRecalculation(const CheckContext& context) {
    const std::unique_ptr<ChartSession> session =
        StartedSession(context, context.charts.ordinary, ChartName(context.charts.ordinary));
    const StudyOutcome first = OutcomeOf(session->study());
    {
        const WatchedCalls watch(session->study(), "a second full recalculation");
        session->FullRecalculation();
    }
    if (const auto difference = FirstDifference(OutcomeOf(session->study()), first, kEveryPart, "after the first"))
        return Differs("a second full recalculation", *difference);
    return CheckVerdict::Pass("a second full recalculation gives exactly the first");
}

// The live updates come in stretches; after each, the chart must show what a
// full recalculation over the same bars shows.
CheckVerdict CheckLiveConsistency(const CheckContext& context) {
    const std::unique_ptr<ChartSession> live =
        StartedSession(context, context.charts.ordinary, ChartName(context.charts.ordinary));
    for (int64_t played = 0; played < kLiveUpdates;) {
        {
            const WatchedCalls watch(live->study(), "live updates");
            live->PlayTicks(kLiveStretch, kLiveSeed + static_cast<uint64_t>(played));
        }
        played += kLiveStretch;
        const std::unique_ptr<ChartSession> full =
            StartedSession(context, live->chart().bars, "a full recalculation after live updates");
        if (const auto difference = FirstDifference(OutcomeOf(live->study()), OutcomeOf(full->study()),
                                                    kSeriesPart | kDrawingsPart, "after a full recalculation"))
            return Differs(fmt::format("after {} live updates ({} bars)", played, live->chart().bars.size()),
                           *difference);
    }
    return CheckVerdict::Pass(
        fmt::format("after every {} of {} live updates ({} bars at the end): the series and "
                    "drawings of a full recalculation over the same bars",
                    kLiveStretch, kLiveUpdates, live->chart().bars.size()));
}

}  // namespace kovra::host
