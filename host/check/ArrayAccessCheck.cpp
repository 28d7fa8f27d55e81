// The host array access rule: the study reads and writes only inside the
// arrays the host offers. Every array of the record is placed alone between
// guard pages, once touching the guard after it and once the guard before
// it, so that any access outside it faults; the crash report names the array.
#include <set>
#include <vector>

#include <fmt/format.h>

#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"
#include "host/check/CrashReport.h"
#include "host/memory/RecordArrays.h"

namespace kovra::host {

namespace {

struct Scenario {
    std::string name;
    BarColumns bars;
    InstanceOptions offered;
};

// The subgraphs the defaults call declares, counted up to the last one.
int32_t DeclaredSubgraphs(const CheckContext& context) {
    PlainRun run(context.charts.ordinary, StudyUnderCheck(context));
    const WatchedCalls watch(run.study(), "the defaults call");
    run.CallDefaults();
    int32_t declared = 0;
    for (size_t i = 0; i < run.study().subgraphs().size(); ++i)
        if (IsDeclared(run.study().subgraphs()[i])) declared = static_cast<int32_t>(i) + 1;
    return declared;
}

std::vector<Scenario> Scenarios(const CheckContext& context) {
    const BarColumns& ordinary = context.charts.ordinary;
    std::vector<Scenario> scenarios{{ChartName(ordinary), ordinary, {}}};
    const int32_t declared = DeclaredSubgraphs(context);
    for (const int32_t offered : std::set<int32_t>{declared - 1, 1}) {
        if (offered < 1 || offered >= declared) continue;
        const std::string subgraphs =
            offered == 1 ? "only subgraph 0" : fmt::format("only subgraphs 0 to {}", offered - 1);
        Scenario fewer{
            fmt::format("{}, {} offered of the {} declared", ChartName(ordinary), subgraphs, declared), ordinary, {}};
        fewer.offered.subgraphCount = offered;
        scenarios.push_back(std::move(fewer));
    }
    BarColumns oneBar;
    if (ordinary.size() > 0) oneBar.Append(ordinary.At(0));
    scenarios.push_back({ChartName(oneBar), oneBar, {}});
    scenarios.push_back({"an empty chart", BarColumns{}, {}});
    return scenarios;
}

// Until it ends, the record's arrays are placed by `placement`.
class PlacedArrays {
public:
    explicit PlacedArrays(GuardPages placement) { PlaceRecordArrays(placement); }
    ~PlacedArrays() { PlaceRecordArrays(GuardPages::kNone); }
};

// The defaults call and every bar; on an empty chart one call all the same,
// where every bar array is empty.
void RunGuarded(const Scenario& scenario, StudyFunction study, const char* guards) {
    PlainRun run(scenario.bars, study, scenario.offered);
    const WatchedCalls watch(run.study(), scenario.name + ", " + guards);
    run.CallDefaults();
    for (int32_t bar = 0; bar < std::max(run.bars(), 1); ++bar) run.CallBar(bar);
}

}  // namespace

CheckVerdict CheckArrayAccess(const CheckContext& context) {
    const std::vector<Scenario> scenarios = Scenarios(context);
    const StudyFunction study = StudyUnderCheck(context);
    const std::pair<GuardPages, const char*> placements[] = {
        {GuardPages::kAfterArray, "a guard page after every array"},
        {GuardPages::kBeforeArray, "a guard page before every array"}};
    for (const auto& [placement, guards] : placements) {
        const PlacedArrays placed(placement);
        for (const Scenario& scenario : scenarios) RunGuarded(scenario, study, guards);
    }
    std::string names;
    for (const Scenario& scenario : scenarios) names += (names.empty() ? "" : "; ") + scenario.name;
    return CheckVerdict::Pass("every access inside the arrays offered, guarded on either side: " + names);
}

}  // namespace kovra::host
