// How the checks run the study under check: its library loaded once per
// check process, sessions set up alike, and plain runs on a fresh chart.
#pragma once

#include <string>

#include "host/check/CheckCatalogue.h"
#include "host/check/StudyOutcome.h"
#include "host/runtime/Chart.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// The study function of the library under check, loaded on first use.
StudyFunction StudyUnderCheck(const CheckContext& context);

// A session as every check sets it up: the charts' tick size and value format.
SessionOptions CheckSessionOptions(const CheckContext& context);

// A session started (the defaults call and a full recalculation) on `bars`;
// a crash in it is told as happening on `scenario`.
std::unique_ptr<ChartSession> StartedSession(const CheckContext& context, const BarColumns& bars,
                                             const std::string& scenario, const SessionOptions& options);
std::unique_ptr<ChartSession> StartedSession(const CheckContext& context, const BarColumns& bars,
                                             const std::string& scenario);

// The study on a chart of its own, called plainly: the defaults call, then
// one call per bar in order; a request for a recalculation is not acted on.
class PlainRun {
public:
    PlainRun(const BarColumns& bars, StudyFunction study, InstanceOptions options = {});
    StudyInstance& study() { return study_; }
    void CallDefaults() { study_.CallDefaults(); }
    void CallBar(int32_t bar) { study_.CallBar(bar); }
    int32_t bars() const { return chart_.bars.size(); }
    // The defaults call and every bar.
    void CallAll();

private:
    Chart chart_;
    StudyInstance study_;
};

// What a plain run on `bars` leaves.
StudyOutcome PlainOutcome(const BarColumns& bars, StudyFunction study, const std::string& scenario);

// "a chart of 240 bars"
std::string ChartName(const BarColumns& bars);

}  // namespace kovra::host
