// Drawings: known types and styles, finite prices and bars within reach of
// the chart where given, every text the study obtained released, nothing
// submitted while drawings are suppressed. Every submission is checked as it
// comes, through a full recalculation and live updates, then again with
// drawings suppressed.
#include <fmt/format.h>

#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"
#include "host/check/CrashReport.h"
#include "host/check/RecordWatch.h"

namespace kovra::host {

namespace {

constexpr int64_t kLiveUpdates = 100;
constexpr uint64_t kLiveSeed = 2;

std::optional<CheckVerdict> Broken(const RecordWatch& watch) {
    if (watch.drawingFault()) return watch.drawingFault();
    return watch.HeldText();
}

}  // namespace

CheckVerdict CheckDrawings(const CheckContext& context) {
    RecordWatch watch;  // outlives the session whose record it watches
    SessionOptions options = CheckSessionOptions(context);
    options.prepareRecord = [&watch](HostStudyInterface& record) { watch.Attach(record); };
    const std::unique_ptr<ChartSession> session =
        StartedSession(context, context.charts.ordinary, ChartName(context.charts.ordinary), options);
    {
        const WatchedCalls calls(session->study(), "live updates");
        session->PlayTicks(kLiveUpdates, kLiveSeed);
    }
    if (auto broken = Broken(watch)) return *broken;
    const size_t drawn = session->chart().drawings.DrawingsOf(session->study().studyIdentifier()).size();
    {
        const WatchedCalls calls(session->study(), "drawings suppressed");
        session->SetDrawingsSuppressed(true);
        session->FullRecalculation();
        session->PlayTicks(kLiveUpdates / 4, kLiveSeed + 1);
    }
    if (auto broken = Broken(watch)) return *broken;
    return CheckVerdict::Pass(
        fmt::format("{} drawings in force, all of known types and styles at finite prices and "
                    "bars within reach; every text released; none while suppressed",
                    drawn));
}

}  // namespace kovra::host
