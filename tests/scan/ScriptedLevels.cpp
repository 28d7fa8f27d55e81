#include "tests/scan/ScriptedLevels.h"

#include <cmath>

#include "layout/StudyLayout.h"
#include "levels/LevelLines.h"
#include "record/HostArrayAccess.h"

namespace kovra::testing {

namespace {

// The script of the running test (the tests run one at a time).
struct Script {
    std::vector<ScriptedBar> bars;
    bool history = true;
};
Script script;

void ScriptedStudy(HostStudyInterface& host) {
    using record::HostArrayAccess;
    if (host.IsDefaultsCall != 0) {
        for (int32_t line = 0; line < layout::kLevelCount; ++line)
            host.TextAssign(&host, &HostArrayAccess(host, host.Subgraphs, line).Name,
                            std::string(levels::kLevelLineNames[static_cast<size_t>(line)]).c_str());
        return;
    }
    const int32_t bar = host.CurrentBar;
    const ScriptedBar& levels = script.bars[static_cast<size_t>(bar)];
    if (std::isnan(levels.top)) return;
    const float eighth = (levels.top - levels.bottom) / 8;
    for (int32_t line = 0; line < layout::kLevelCount; ++line) {
        const bool written = script.history || line == layout::kSubgraphTop || line == layout::kSubgraphBottom;
        if (written)
            HostArrayAccess(host, HostArrayAccess(host, host.Subgraphs, line).Series, bar) =
                levels.top - eighth * static_cast<float>(line - layout::kSubgraphTop);
    }
    int32_t& start = *host.PersistentInteger(&host, layout::kFrameStartKey);
    const ScriptedBar* previous = bar > 0 ? &script.bars[static_cast<size_t>(bar - 1)] : nullptr;
    if (previous == nullptr || previous->top != levels.top || previous->bottom != levels.bottom) start = bar;
    *host.PersistentInteger(&host, layout::kFrameEndKey) = start + 10;
}

}  // namespace

host::Bar ScriptedBarAt(int32_t index, float close) {
    constexpr int64_t kFirstBar = int64_t{45293} * 86400 * 1000000 + int64_t{34200} * 1000000;  // 2024-01-02 09:30
    return {kFirstBar + int64_t{index} * 60 * 1000000, close, close, close, close, 0};
}

std::unique_ptr<host::ChartSession> RunScriptedLevels(const std::vector<ScriptedBar>& bars, bool history,
                                                      int32_t shown) {
    script = {bars, history};
    host::BarColumns columns;
    const auto count = shown < 0 ? static_cast<int32_t>(bars.size()) : shown;
    for (int32_t i = 0; i < count; ++i) columns.Append(ScriptedBarAt(i, bars[static_cast<size_t>(i)].close));
    auto session = std::make_unique<host::ChartSession>(std::move(columns), &ScriptedStudy);
    session->Start();
    return session;
}

}  // namespace kovra::testing
