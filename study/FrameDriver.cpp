#include "study/FrameDriver.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

#include "drawing/FrameGeometry.h"
#include "drawing/RunDrawingPass.h"
#include "layout/StudyLayout.h"
#include "levels/LevelLines.h"
#include "levels/SelectLevelRoutine.h"
#include "record/HostArrayAccess.h"
#include "record/StudyInputs.h"
#include "study/Buttons.h"
#include "study/FrameSize.h"
#include "study/WindowExtremes.h"

namespace kovra::study {

namespace {

using namespace layout;
using levels::ComputeLevelLines;
using levels::ComputeLevels;
using levels::SelectLevelAlgorithm;
using record::HostArrayAccess;
using record::IsYes;
using record::ResolveHostArray;
using record::SelectedTextIs;

constexpr int32_t kNotDrawn = -1;

// The frame the chart is in, kept only in the host's persistent integers.
struct FrameWindow {
    int32_t& start;
    int32_t& end;
    int32_t& lastDrawn;  // kNotDrawn since the frame last changed
};

FrameWindow TakeFrameWindow(HostStudyInterface& host) {
    return {*host.PersistentInteger(&host, kFrameStartKey), *host.PersistentInteger(&host, kFrameEndKey),
            *host.PersistentInteger(&host, kLastDrawnKey)};
}

// Bar arithmetic that stays defined for any frame size a host's texts produce.
int32_t SaturatingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

float& SeriesAt(HostStudyInterface& host, StudySubgraph& subgraph, int32_t bar) {
    return HostArrayAccess(host, subgraph.Series, bar);
}

StudySubgraph& SubgraphAt(HostStudyInterface& host, int32_t position) {
    return HostArrayAccess(host, host.Subgraphs, position);
}

void RecordBarExtremes(HostStudyInterface& host, const StudyEntries& entries, int32_t bar) {
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
}

// The part of bars first..last (first >= 0) the series holds.
std::span<const float> SeriesWindow(HostStudyInterface& host, StudySubgraph& subgraph, int32_t first, int32_t last) {
    if (!ResolveHostArray(host, subgraph.Series)) return {};
    last = std::min(last, subgraph.Series.Count - 1);
    if (first > last) return {};
    return {subgraph.Series.Data + first, static_cast<size_t>(last - first + 1)};
}

// The 8/8th and 0/8th prices as the series store them.
struct BarLevels {
    float top;
    float bottom;
};

// The levels of the frame ending at `bar`; none when the window has no
// comparable extreme on either side or the routine gives no finite frame (a
// flat window).
std::optional<BarLevels> WindowLevels(HostStudyInterface& host, const StudyEntries& entries, int32_t bar,
                                      int32_t frameSize) {
    if (frameSize < 1) return std::nullopt;
    const int32_t first = bar - frameSize + 1;  // >= 1: bar >= frameSize here
    const WindowExtremes extremes = ScanWindowExtremes(SeriesWindow(host, *entries.upperExtreme, first, bar),
                                                       SeriesWindow(host, *entries.lowerExtreme, first, bar));
    if (!extremes.BothTaken()) return std::nullopt;
    const double high = std::max(extremes.upper, extremes.lower);
    const double low = std::min(extremes.upper, extremes.lower);
    const levels::FrameLevels levels =
        ComputeLevels(SelectLevelAlgorithm(entries.frameAlgorithm->SelectedText), high, low);
    const auto top = static_cast<float>(levels.top);
    const auto bottom = static_cast<float>(levels.bottom);
    if (!std::isfinite(top) || !std::isfinite(bottom)) return std::nullopt;
    // A frame so wide that its extension lines leave the float range has no
    // usable levels either.
    const auto lines = ComputeLevelLines(top, bottom);
    if (!std::all_of(lines.begin(), lines.end(), [](float line) { return std::isfinite(line); })) return std::nullopt;
    return BarLevels{top, bottom};
}

// Every series the bar writes: all thirteen level series with the frame
// history shown, else the 8/8th and 0/8th only.
template <typename Visit>
void ForEachWrittenSeries(HostStudyInterface& host, const StudyEntries& entries, bool history, Visit visit) {
    if (!history) {
        visit(*entries.top, kSubgraphTop);
        visit(*entries.bottom, kSubgraphBottom);
        return;
    }
    for (int32_t position = 0; position < kLevelCount; ++position)
        visit(SubgraphAt(host, position), position);
}

void WriteLevels(HostStudyInterface& host, const StudyEntries& entries, int32_t bar, BarLevels levels, bool history) {
    SeriesAt(host, *entries.top, bar) = levels.top;
    SeriesAt(host, *entries.bottom, bar) = levels.bottom;
    if (!history) return;
    const auto lines = ComputeLevelLines(SeriesAt(host, *entries.top, bar), SeriesAt(host, *entries.bottom, bar));
    ForEachWrittenSeries(host, entries, history, [&](StudySubgraph& subgraph, int32_t position) {
        SeriesAt(host, subgraph, bar) = lines[static_cast<size_t>(position)];
    });
}

// A bar without levels of its own repeats the previous bar's, so the frame
// neither restarts nor draws from invalid prices. The first bar with levels
// has no previous levels to repeat and keeps what the host holds.
void CarryLevelsForward(HostStudyInterface& host, const StudyEntries& entries, int32_t bar, int32_t frameSize,
                        bool history) {
    if (frameSize < 1 || int64_t{bar} - 1 < frameSize) return;
    ForEachWrittenSeries(host, entries, history, [&](StudySubgraph& subgraph, int32_t) {
        SeriesAt(host, subgraph, bar) = SeriesAt(host, subgraph, bar - 1);
    });
}

bool LevelsChanged(HostStudyInterface& host, const StudyEntries& entries, int32_t bar) {
    const auto differs = [&](StudySubgraph& subgraph) {
        return !(SeriesAt(host, subgraph, bar) == SeriesAt(host, subgraph, bar - 1));  // NaN differs
    };
    return differs(*entries.top) || differs(*entries.bottom);
}

void DrawOnLastBar(HostStudyInterface& host, const StudyEntries& entries, int32_t bar, const FrameWindow& window) {
    if (!IsYes(*entries.showGrid) || bar != host.BarCount - 1) return;
    const drawing::FrameGeometry geometry = drawing::MakeFrameGeometry(
        SeriesAt(host, *entries.top, bar), SeriesAt(host, *entries.bottom, bar), window.start, window.end);
    // No picture from a bar that never had levels, nor from a frame whose
    // picture would leave the float range.
    if (!geometry.PicturePricesFinite()) return;
    host.ClearStudyDrawings(&host, kClearOwnChart, kClearEveryDrawing, kClearNow);
    drawing::RunDrawingPass(host, geometry);
}

}  // namespace

void RunFrameDriver(HostStudyInterface& host, const StudyEntries& entries) {
    const int32_t bar = host.CurrentBar;
    for (StudySubgraph* settings :
         {entries.circles, entries.majorSpeedlines, entries.minorSpeedlines, entries.priceLabels, entries.timeLabels})
        settings->LineWidth = kSettingsLineWidth;
    if (bar == 0) SetUpButtons(host, entries);
    if (host.ReleaseButtons != 0) BlankButtons(host);
    const bool history = IsYes(*entries.showFrameHistory);
    if (bar == 0) entries.top->DrawStyle = entries.bottom->DrawStyle = history ? kDrawStyleLine : kDrawStyleNotDrawn;

    const int32_t frameSize = FrameSizeOf(entries.frameSize->SelectedText, entries.priorFrameInclusion->SelectedText);
    const FrameWindow window = TakeFrameWindow(host);
    if (bar == 0) {
        window.start = 0;
        window.end = frameSize;
        window.lastDrawn = kNotDrawn;
    }
    RecordBarExtremes(host, entries, bar);
    if (bar < frameSize) return;

    const bool drawn = window.lastDrawn == bar;
    const float topBefore = drawn ? SeriesAt(host, *entries.top, bar) : 0;
    const float bottomBefore = drawn ? SeriesAt(host, *entries.bottom, bar) : 0;
    if (const std::optional<BarLevels> levels = WindowLevels(host, entries, bar, frameSize)) {
        WriteLevels(host, entries, bar, *levels, history);
        if (LevelsChanged(host, entries, bar)) {
            window.start = bar;
            window.end = SaturatingAdd(bar, frameSize);
            window.lastDrawn = kNotDrawn;
        }
    } else {
        CarryLevelsForward(host, entries, bar, frameSize, history);
    }
    if (drawn && (std::bit_cast<uint32_t>(SeriesAt(host, *entries.top, bar)) != std::bit_cast<uint32_t>(topBefore) ||
                  std::bit_cast<uint32_t>(SeriesAt(host, *entries.bottom, bar)) != std::bit_cast<uint32_t>(bottomBefore)))
        window.lastDrawn = kNotDrawn;
    if (bar > window.end) {
        window.end = SaturatingAdd(window.end, frameSize);
        window.lastDrawn = kNotDrawn;
    }

    if (host.HoldChartUpdates != 0) return;
    if (host.PendingButtonNumber != kNoButton) HandleButtonEvent(host, entries);
    if (bar != window.lastDrawn) {
        DrawOnLastBar(host, entries, bar, window);
        window.lastDrawn = bar;
    }
}

}  // namespace kovra::study
