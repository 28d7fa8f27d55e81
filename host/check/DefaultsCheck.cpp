// The defaults call declares inputs and subgraphs within the limits of the
// record, and touches nothing else: no series value, persistent integer,
// button or drawing, no recalculation request.
#include <cmath>

#include <fmt/format.h>

#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"
#include "host/check/CrashReport.h"
#include "host/check/RecordRules.h"

namespace kovra::host {

namespace {

CheckVerdict Touched(const StudyInstance& study) {
    for (int32_t s = 0; s < static_cast<int32_t>(study.subgraphs().size()); ++s) {
        if (!study.SeriesFetched(s)) continue;
        for (int32_t bar = 0; bar < study.chart().bars.size(); ++bar)
            if (const float value = study.SeriesValue(s, bar); !std::isnan(value))
                return CheckVerdict::Fail(fmt::format("the defaults call wrote subgraph {} at bar {}", s, bar), bar,
                                          FloatText(value));
    }
    const ControlBar& controlBar = study.chart().controlBar;
    const int32_t lastButton = static_cast<int32_t>(controlBar.buttons().size()) - 1;
    if (const int32_t n = FirstButtonWithTexts(controlBar, 0, lastButton))
        return CheckVerdict::Fail(fmt::format("the defaults call labelled button {}", n));
    for (int32_t n = 0; n <= lastButton; ++n)
        if (controlBar.buttons()[static_cast<size_t>(n)].Pushed != 0)
            return CheckVerdict::Fail(fmt::format("the defaults call pushed button {}", n));
    return CheckVerdict::Pass({});
}

// Declares nothing beyond what a host offers: run again with more on offer.
CheckVerdict BeyondLimits(const CheckContext& context) {
    const InstanceOptions offered;
    InstanceOptions roomy;
    roomy.inputCount = 2 * offered.inputCount;
    roomy.subgraphCount = 2 * offered.subgraphCount;
    PlainRun run(context.charts.ordinary, StudyUnderCheck(context), roomy);
    const WatchedCalls watch(run.study(), "the defaults call, twice the usual inputs and subgraphs offered");
    run.CallDefaults();
    for (int32_t i = offered.inputCount; i < roomy.inputCount; ++i)
        if (IsDeclared(run.study().inputs()[static_cast<size_t>(i)]))
            return CheckVerdict::Fail(
                fmt::format("declares input {}, beyond the {} inputs a host offers", i, offered.inputCount));
    for (int32_t i = offered.subgraphCount; i < roomy.subgraphCount; ++i)
        if (IsDeclared(run.study().subgraphs()[static_cast<size_t>(i)]))
            return CheckVerdict::Fail(
                fmt::format("declares subgraph {}, beyond the {} subgraphs a host offers", i, offered.subgraphCount));
    return CheckVerdict::Pass({});
}

template <typename Elements>
int32_t DeclaredCount(const Elements& elements) {
    int32_t count = 0;
    for (const auto& element : elements) count += IsDeclared(element) ? 1 : 0;
    return count;
}

}  // namespace

CheckVerdict CheckDefaultsCall(const CheckContext& context) {
    PlainRun run(context.charts.ordinary, StudyUnderCheck(context));
    {
        const WatchedCalls watch(run.study(), "the defaults call on " + ChartName(context.charts.ordinary));
        const CallTraces before = TracesOf(run.study());
        run.CallDefaults();
        if (const std::string effect = DefaultsCallSideEffect(before, run.study()); !effect.empty())
            return CheckVerdict::Fail(effect);
    }
    if (CheckVerdict touched = Touched(run.study()); touched.failed()) return touched;
    if (CheckVerdict beyond = BeyondLimits(context); beyond.failed()) return beyond;
    return CheckVerdict::Pass(fmt::format("declares {} inputs and {} subgraphs and touches nothing else",
                                          DeclaredCount(run.study().inputs()), DeclaredCount(run.study().subgraphs())));
}

}  // namespace kovra::host
