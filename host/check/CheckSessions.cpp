#include "host/check/CheckSessions.h"

#include <memory>

#include <fmt/format.h>

#include "host/check/CrashReport.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::host {

StudyFunction StudyUnderCheck(const CheckContext& context) {
    static const std::unique_ptr<StudyLibrary> library = std::make_unique<StudyLibrary>(context.libraryPath);
    return library->studyFunction();
}

SessionOptions CheckSessionOptions(const CheckContext& context) {
    SessionOptions options;
    options.tickSize = context.charts.tickSize;
    options.valueFormat = context.charts.valueFormat;
    return options;
}

std::unique_ptr<ChartSession> StartedSession(const CheckContext& context, const BarColumns& bars,
                                             const std::string& scenario, const SessionOptions& options) {
    auto session = std::make_unique<ChartSession>(bars, StudyUnderCheck(context), options);
    const WatchedCalls watch(session->study(), scenario);
    session->Start();
    return session;
}

std::unique_ptr<ChartSession> StartedSession(const CheckContext& context, const BarColumns& bars,
                                             const std::string& scenario) {
    return StartedSession(context, bars, scenario, CheckSessionOptions(context));
}

PlainRun::PlainRun(const BarColumns& bars, StudyFunction study, InstanceOptions options)
    : study_(chart_, study, 1, options) {
    chart_.bars = bars;
}

void PlainRun::CallAll() {
    CallDefaults();
    for (int32_t bar = 0; bar < bars(); ++bar) CallBar(bar);
}

StudyOutcome PlainOutcome(const BarColumns& bars, StudyFunction study, const std::string& scenario) {
    PlainRun run(bars, study);
    const WatchedCalls watch(run.study(), scenario);
    run.CallAll();
    return OutcomeOf(run.study());
}

std::string ChartName(const BarColumns& bars) {
    return bars.size() == 1 ? "a chart of one bar" : fmt::format("a chart of {} bars", bars.size());
}

}  // namespace kovra::host
