#include "tests/driver/ReferenceFrameDriver.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "drawing/FrameGeometry.h"
#include "drawing/RunDrawingPass.h"
#include "layout/StudyLayout.h"
#include "levels/LevelLines.h"
#include "levels/SelectLevelRoutine.h"
#include "record/HostArrayAccess.h"
#include "record/StudyInputs.h"
#include "study/Buttons.h"
#include "study/FrameSize.h"
#include "study/StudyDefaults.h"
#include "study/StudyEntries.h"

namespace kovra::testing {

namespace {

using namespace layout;
using record::HostArrayAccess;
using record::IsYes;
using record::SelectedTextIs;
using study::StudyEntries;

constexpr int32_t kNotDrawn = -1;
constexpr float kNoUpper = -3.4028235e38f;
constexpr float kNoLower = 3.4028235e38f;

struct FrameWindow {
    int32_t& start;
    int32_t& end;
    int32_t& lastDrawn;
};

int32_t SaturatingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{a} + b, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

float& SeriesAt(HostStudyInterface& host, StudySubgraph& subgraph, int32_t bar) {
    return HostArrayAccess(host, subgraph.Series, bar);
}

StudySubgraph& SubgraphAt(HostStudyInterface& host, int32_t position) {
    return HostArrayAccess(host, host.Subgraphs, position);
}

struct BarLevels {
    float top, bottom;
};

// Front to back over the positions the series holds, strict comparisons.
std::optional<BarLevels> WindowLevels(HostStudyInterface& host, const StudyEntries& entries, int32_t bar,
                                      int32_t frameSize) {
    if (frameSize < 1) return std::nullopt;
    float upper = kNoUpper, lower = kNoLower;
    for (int32_t i = bar - frameSize + 1; i <= bar; ++i) {
        HostArray<float>& uppers = entries.upperExtreme->Series;
        HostArray<float>& lowers = entries.lowerExtreme->Series;
        if (record::ResolveHostArray(host, uppers) && i < uppers.Count && uppers.Data[i] > upper)
            upper = uppers.Data[i];
        if (record::ResolveHostArray(host, lowers) && i < lowers.Count && lowers.Data[i] < lower)
            lower = lowers.Data[i];
    }
    if (upper == kNoUpper || lower == kNoLower) return std::nullopt;
    const double high = std::max(upper, lower);
    const double low = std::min(upper, lower);
    const levels::FrameLevels levels =
        levels::ComputeLevels(levels::SelectLevelAlgorithm(entries.frameAlgorithm->SelectedText), high, low);
    const auto top = static_cast<float>(levels.top);
    const auto bottom = static_cast<float>(levels.bottom);
    if (!std::isfinite(top) || !std::isfinite(bottom)) return std::nullopt;
    for (const float line : levels::ComputeLevelLines(top, bottom))
        if (!std::isfinite(line)) return std::nullopt;
    return BarLevels{top, bottom};
}

template <typename Visit>
void ForEachWrittenSeries(HostStudyInterface& host, const StudyEntries& entries, bool history, Visit visit) {
    if (!history) {
        visit(*entries.top, kSubgraphTop);
        visit(*entries.bottom, kSubgraphBottom);
        return;
    }
    for (int32_t position = 0; position < kLevelCount; ++position) visit(SubgraphAt(host, position), position);
}

void RunReferenceFrameDriver(HostStudyInterface& host, const StudyEntries& entries) {
    const int32_t bar = host.CurrentBar;
    for (StudySubgraph* settings :
         {entries.circles, entries.majorSpeedlines, entries.minorSpeedlines, entries.priceLabels, entries.timeLabels})
        settings->LineWidth = study::kSettingsLineWidth;
    if (bar == 0) study::SetUpButtons(host, entries);
    if (host.ReleaseButtons != 0) study::BlankButtons(host);
    const bool history = IsYes(*entries.showFrameHistory);
    if (bar == 0) entries.top->DrawStyle = entries.bottom->DrawStyle = history ? kDrawStyleLine : kDrawStyleNotDrawn;
    const int32_t frameSize =
        study::FrameSizeOf(entries.frameSize->SelectedText, entries.priorFrameInclusion->SelectedText);
    const FrameWindow window{*host.PersistentInteger(&host, kFrameStartKey),
                             *host.PersistentInteger(&host, kFrameEndKey),
                             *host.PersistentInteger(&host, kLastDrawnKey)};
    if (bar == 0) {
        window.start = 0;
        window.end = frameSize;
        window.lastDrawn = kNotDrawn;
    }
    float upper, lower;
    if (SelectedTextIs(*entries.priceExtremes, "HL")) {
        upper = HostArrayAccess(host, host.High, bar);
        lower = HostArrayAccess(host, host.Low, bar);
    } else {
        const float open = HostArrayAccess(host, host.Open, bar);
        const float close = HostArrayAccess(host, host.Close, bar);
        upper = std::max(open, close);
        lower = std::min(open, close);
    }
    SeriesAt(host, *entries.upperExtreme, bar) = upper;
    SeriesAt(host, *entries.lowerExtreme, bar) = lower;
    if (bar < frameSize) return;

    // What the bar's 8/8th and 0/8th held before this call, for a picture
    // already drawn from them.
    const bool drawn = window.lastDrawn == bar;
    const float topBefore = drawn ? SeriesAt(host, *entries.top, bar) : 0;
    const float bottomBefore = drawn ? SeriesAt(host, *entries.bottom, bar) : 0;

    if (const std::optional<BarLevels> levels = WindowLevels(host, entries, bar, frameSize)) {
        SeriesAt(host, *entries.top, bar) = levels->top;
        SeriesAt(host, *entries.bottom, bar) = levels->bottom;
        if (history) {
            const auto lines =
                levels::ComputeLevelLines(SeriesAt(host, *entries.top, bar), SeriesAt(host, *entries.bottom, bar));
            ForEachWrittenSeries(host, entries, history, [&](StudySubgraph& subgraph, int32_t position) {
                SeriesAt(host, subgraph, bar) = lines[static_cast<size_t>(position)];
            });
        }
        const auto differs = [&](StudySubgraph& subgraph) {
            return !(SeriesAt(host, subgraph, bar) == SeriesAt(host, subgraph, bar - 1));
        };
        if (differs(*entries.top) || differs(*entries.bottom)) {
            window.start = bar;
            window.end = SaturatingAdd(bar, frameSize);
            window.lastDrawn = kNotDrawn;
        }
    } else if (frameSize >= 1 && int64_t{bar} - 1 >= frameSize) {
        ForEachWrittenSeries(host, entries, history, [&](StudySubgraph& subgraph, int32_t) {
            SeriesAt(host, subgraph, bar) = SeriesAt(host, subgraph, bar - 1);
        });
    }
    if (drawn &&
        (std::bit_cast<uint32_t>(SeriesAt(host, *entries.top, bar)) != std::bit_cast<uint32_t>(topBefore) ||
         std::bit_cast<uint32_t>(SeriesAt(host, *entries.bottom, bar)) != std::bit_cast<uint32_t>(bottomBefore)))
        window.lastDrawn = kNotDrawn;
    if (bar > window.end) {
        window.end = SaturatingAdd(window.end, frameSize);
        window.lastDrawn = kNotDrawn;
    }

    if (host.HoldChartUpdates != 0) return;
    if (host.PendingButtonNumber != kNoButton) study::HandleButtonEvent(host, entries);
    if (bar != window.lastDrawn) {
        if (IsYes(*entries.showGrid) && bar == host.BarCount - 1) {
            const drawing::FrameGeometry geometry = drawing::MakeFrameGeometry(
                SeriesAt(host, *entries.top, bar), SeriesAt(host, *entries.bottom, bar), window.start, window.end);
            if (geometry.PicturePricesFinite()) {
                host.ClearStudyDrawings(&host, kClearOwnChart, kClearEveryDrawing, kClearNow);
                drawing::RunDrawingPass(host, geometry);
            }
        }
        window.lastDrawn = bar;
    }
}

}  // namespace

void ReferenceStudy(HostStudyInterface& host) {
    const StudyEntries entries = study::TakeStudyEntries(host);
    if (host.IsDefaultsCall != 0) {
        study::DeclareStudyDefaults(host, entries);
        return;
    }
    RunReferenceFrameDriver(host, entries);
}

}  // namespace kovra::testing
