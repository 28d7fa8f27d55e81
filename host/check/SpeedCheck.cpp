// Speed: nanoseconds per bar in a full recalculation (the best of three) and
// per live update, on every bar there is. Told for information below
// kSpeedBudgetStrictness; from there on each figure has a budget, halved at
// every level above.
#include <algorithm>
#include <chrono>

#include <fmt/format.h>

#include "host/check/CheckSessions.h"
#include "host/check/Checks.h"
#include "host/check/CrashReport.h"

namespace kovra::host {

namespace {

using Nanoseconds = std::chrono::duration<double, std::nano>;

constexpr int32_t kSpeedBudgetStrictness = 5;
constexpr int kRecalculations = 3;
constexpr int64_t kLiveUpdates = 500;
constexpr uint64_t kLiveSeed = 5;
// At kSpeedBudgetStrictness; halved at every level above.
constexpr Nanoseconds kBarBudget{3'200'000};
constexpr Nanoseconds kUpdateBudget{32'000'000};

std::string Shown(Nanoseconds time) {
    if (time.count() < 1e3) return fmt::format("{:.0f} ns", time.count());
    if (time.count() < 1e6) return fmt::format("{:.1f} µs", time.count() / 1e3);
    return fmt::format("{:.1f} ms", time.count() / 1e6);
}

Nanoseconds Budget(Nanoseconds atFirstLevel, int32_t strictness) {
    return atFirstLevel / static_cast<double>(int64_t{1} << (strictness - kSpeedBudgetStrictness));
}

}  // namespace

CheckVerdict CheckSpeed(const CheckContext& context) {
    const BarColumns& bars = context.charts.speed;
    const std::unique_ptr<ChartSession> session = StartedSession(context, bars, ChartName(bars));
    const WatchedCalls watch(session->study(), "speed");
    Nanoseconds recalculation = session->lastRecalculationTime();
    for (int i = 1; i < kRecalculations; ++i) {
        session->FullRecalculation();
        recalculation = std::min<Nanoseconds>(recalculation, session->lastRecalculationTime());
    }
    const Nanoseconds perBar = recalculation / std::max(bars.size(), 1);
    const auto started = std::chrono::steady_clock::now();
    session->PlayTicks(kLiveUpdates, kLiveSeed);
    const Nanoseconds perUpdate = Nanoseconds(std::chrono::steady_clock::now() - started) / kLiveUpdates;

    const std::string figures = fmt::format("{} per bar in a full recalculation of {} bars, {} per live update",
                                            Shown(perBar), bars.size(), Shown(perUpdate));
    if (context.strictness < kSpeedBudgetStrictness)
        return CheckVerdict::Pass(
            fmt::format("{} (for information below strictness {})", figures, kSpeedBudgetStrictness));
    const Nanoseconds barBudget = Budget(kBarBudget, context.strictness);
    const Nanoseconds updateBudget = Budget(kUpdateBudget, context.strictness);
    if (perBar > barBudget)
        return CheckVerdict::Fail(fmt::format("{}; over the budget of {} per bar at strictness {}", figures,
                                              Shown(barBudget), context.strictness),
                                  {}, Shown(perBar));
    if (perUpdate > updateBudget)
        return CheckVerdict::Fail(fmt::format("{}; over the budget of {} per live update at strictness {}", figures,
                                              Shown(updateBudget), context.strictness),
                                  {}, Shown(perUpdate));
    return CheckVerdict::Pass(fmt::format("{}; within the budgets of {} and {} at strictness {}", figures,
                                          Shown(barBudget), Shown(updateBudget), context.strictness));
}

}  // namespace kovra::host
