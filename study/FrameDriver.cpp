#include "study/FrameDriver.h"

#include <algorithm>
#include <array>
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
#include "study/WindowExtremes.h"

namespace kovra::study {

namespace {

using namespace layout;
using levels::ComputeLevelLines;
using levels::LevelAlgorithm;
using record::HostArrayAccess;
using record::IsYes;
using record::SelectedTextIs;
using Series = record::ResolvedHostArray<float>;
using LevelLines = std::array<float, levels::kLevelLineCount>;

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
    return static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{a} + b, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The inputs the bar's levels depend on, read once per call. ("Show Grid" is
// read when drawing: a button handled during the call may just have turned it.)
struct LevelInputs {
    int32_t frameSize;
    LevelAlgorithm algorithm;
    bool highLow;  // "Price Extremes" is exactly "HL"
    bool history;  // "Show Frame History": all thirteen level series are written
};

LevelInputs ReadLevelInputs(const StudyEntries& entries) {
    return {FrameSizeOf(entries.frameSize->SelectedText, entries.priorFrameInclusion->SelectedText),
            levels::SelectLevelAlgorithm(entries.frameAlgorithm->SelectedText),
            SelectedTextIs(*entries.priceExtremes, "HL"), IsYes(*entries.showFrameHistory)};
}

// Each bar's upper and lower price extreme.
struct ExtremeSeries {
    Series upper;
    Series lower;
};

void RecordBarExtremes(HostStudyInterface& host, bool highLow, const ExtremeSeries& extremes, int32_t bar) {
    float upper, lower;
    if (highLow) {
        upper = HostArrayAccess(host, host.High, bar);
        lower = HostArrayAccess(host, host.Low, bar);
    } else {
        const float open = HostArrayAccess(host, host.Open, bar);
        const float close = HostArrayAccess(host, host.Close, bar);
        upper = std::max(open, close);
        lower = std::min(open, close);
    }
    extremes.upper[bar] = upper;
    extremes.lower[bar] = lower;
}

// The 8/8th and 0/8th prices as the series store them.
struct BarLevels {
    float top;
    float bottom;

    bool SameBits(const BarLevels& other) const {
        return std::bit_cast<uint32_t>(top) == std::bit_cast<uint32_t>(other.top) &&
               std::bit_cast<uint32_t>(bottom) == std::bit_cast<uint32_t>(other.bottom);
    }
};

// A frame's levels with the thirteen lines derived from them.
struct FrameLines {
    BarLevels levels;
    LevelLines lines;
};

// The levels of a window with these extremes; none when the window has no
// comparable extreme on either side or the routine gives no finite frame (a
// flat window), nor when the frame's lines leave the float range.
std::optional<FrameLines> LevelsOf(const WindowExtremes& extremes, LevelAlgorithm algorithm) {
    if (!extremes.BothTaken()) return std::nullopt;
    const double high = std::max(extremes.upper, extremes.lower);
    const double low = std::min(extremes.upper, extremes.lower);
    const levels::FrameLevels frame = levels::ComputeLevels(algorithm, high, low);
    const BarLevels levels{static_cast<float>(frame.top), static_cast<float>(frame.bottom)};
    if (!std::isfinite(levels.top) || !std::isfinite(levels.bottom)) return std::nullopt;
    const LevelLines lines = ComputeLevelLines(levels.top, levels.bottom);
    if (!std::all_of(lines.begin(), lines.end(), [](float line) { return std::isfinite(line); })) return std::nullopt;
    return FrameLines{levels, lines};
}

// The series a bar with a full window writes: all thirteen level series with
// the frame history shown, else the 8/8th and 0/8th only. A call reaches
// only this bar and the previous one of each: directly when every series
// holds both (as on any ordinary chart), else by the host array access rule.
class LevelSeries {
public:
    LevelSeries(HostStudyInterface& host, const StudyEntries& entries, bool history, int32_t bar) : host_(host) {
        const record::ResolvedHostArray<StudySubgraph> subgraphs(host, host.Subgraphs);
        // With fewer subgraphs than the study declares, positions clamp onto
        // one another and the extreme series may share storage with level series.
        ownSubgraphs_ = subgraphs.Holds(kSubgraphLowerExtreme);
        if (history) {
            // Positions 0 .. 12, clamped only where the host offers fewer subgraphs.
            const std::span<StudySubgraph> own = subgraphs.Elements(0, kLevelCount - 1);
            for (int32_t position = 0; position < kLevelCount; ++position)
                series_[static_cast<size_t>(position)] = own.size() == static_cast<size_t>(kLevelCount)
                                                             ? &own[static_cast<size_t>(position)].Series
                                                             : &subgraphs[position].Series;
            count_ = kLevelCount;
            top_ = kSubgraphTop;
            bottom_ = kSubgraphBottom;
        } else {
            series_[0] = &entries.top->Series;
            series_[1] = &entries.bottom->Series;
            count_ = 2;
            top_ = 0;
            bottom_ = 1;
        }
        const bool held = count_ == kLevelCount ? HoldBoth<kLevelCount>(host, bar) : HoldBoth<2>(host, bar);
        bothHeld_ = held && bar >= 1;
    }

    BarLevels At(int32_t bar) const { return {Element(top_, bar), Element(bottom_, bar)}; }

    // The levels first, then, with the history shown, the thirteen lines from
    // what the 8/8th and 0/8th series now hold.
    void Write(int32_t bar, const FrameLines& frame) {
        Element(top_, bar) = frame.levels.top;
        Element(bottom_, bar) = frame.levels.bottom;
        if (count_ != kLevelCount) return;
        const BarLevels held = At(bar);  // differs only where series share storage
        const LevelLines lines = held.SameBits(frame.levels) ? frame.lines : ComputeLevelLines(held.top, held.bottom);
        for (int32_t position = 0; position < kLevelCount; ++position)
            Element(position, bar) = lines[static_cast<size_t>(position)];
    }

    // Every written series takes the previous bar's value.
    void CopyPrevious(int32_t bar) {
        for (int32_t i = 0; i < count_; ++i) Element(i, bar) = Element(i, bar - 1);
    }

    // Whether the frame restarts at this bar: its 8/8th or 0/8th differs from
    // the previous bar's, a NaN on either side counting as a change.
    bool ChangedFromPrevious(int32_t bar) const {
        return !(Element(top_, bar) == Element(top_, bar - 1)) || !(Element(bottom_, bar) == Element(bottom_, bar - 1));
    }

    // Whether the previous bar's written values may stand for this bar's:
    // every series is the study's own and holds both bars, and the previous
    // bar holds levels rather than the host's "no value".
    bool PreviousBarReusable(int32_t bar) const {
        return ownSubgraphs_ && bothHeld_ && !std::isnan(Element(top_, bar - 1)) &&
               !std::isnan(Element(bottom_, bar - 1));
    }

private:
    // Whether each of the first kCount series holds bars 0 .. bar, the host
    // asked for any storage still absent; keeps where each starts. (A count
    // known when compiling: this runs on every bar.)
    template <int32_t kCount>
    bool HoldBoth(HostStudyInterface& host, int32_t bar) {
        bool held = true;
        for (size_t i = 0; i < kCount; ++i) {
            HostArray<float>& series = *series_[i];
            record::ResolveHostArray(host, series);
            held_[i] = series.Data;
            held &= series.Data != nullptr && series.Count > bar;
        }
        return held;
    }

    // Series i at `bar`, which is this bar or the previous one.
    __attribute__((always_inline)) float& Element(int32_t i, int32_t bar) const {
        const auto at = static_cast<size_t>(i);
        return bothHeld_ ? held_[at][bar] : HostArrayAccess(host_, *series_[at], bar);
    }

    HostStudyInterface& host_;
    std::array<HostArray<float>*, kLevelCount> series_;
    std::array<float*, kLevelCount> held_;  // bars 0 .. this bar of each, when bothHeld_
    int32_t count_;
    int32_t top_, bottom_;  // where the 8/8th and 0/8th are among them
    bool ownSubgraphs_;
    bool bothHeld_;
};

// Once the window's extremes are known: the levels, or the previous bar's when
// the window gives none. True when the frame restarts.
bool ApplyWindowLevels(const WindowExtremes& extremes, const LevelInputs& inputs, LevelSeries& levels, int32_t bar) {
    if (const std::optional<FrameLines> frame = LevelsOf(extremes, inputs.algorithm)) {
        levels.Write(bar, *frame);
        return levels.ChangedFromPrevious(bar);
    }
    // The first bar with a full window has no previous levels to repeat.
    if (int64_t{bar} - 1 >= inputs.frameSize) levels.CopyPrevious(bar);
    return false;
}

// The window, its levels and whether the frame restarts, for a bar with a full
// window (frame size >= 1). The level routine runs only when the window's
// extremes differ from the previous bar's: with the same extremes the previous
// bar, itself computed from a full window, wrote exactly what this bar would,
// and the frame stays.
bool UpdateBarLevels(const LevelInputs& inputs, const ExtremeSeries& extremes, LevelSeries& levels, int32_t bar) {
    const int32_t leaving = bar - inputs.frameSize;  // >= 0
    if (!extremes.upper.Holds(bar) || !extremes.lower.Holds(bar))
        return ApplyWindowLevels(
            ScanWindowExtremes(extremes.upper.Elements(leaving + 1, bar), extremes.lower.Elements(leaving + 1, bar)),
            inputs, levels, bar);
    const AdjacentWindowExtremes windows =
        ScanAdjacentWindows(extremes.upper.Elements(leaving, bar), extremes.lower.Elements(leaving, bar));
    if (windows.Same() && leaving >= 1 && levels.PreviousBarReusable(bar)) {
        levels.CopyPrevious(bar);
        return false;
    }
    return ApplyWindowLevels(windows.current, inputs, levels, bar);
}

void DrawOnLastBar(HostStudyInterface& host, const StudyEntries& entries, int32_t bar, const FrameWindow& window) {
    if (!IsYes(*entries.showGrid) || bar != host.BarCount - 1) return;
    const drawing::FrameGeometry geometry =
        drawing::MakeFrameGeometry(HostArrayAccess(host, entries.top->Series, bar),
                                   HostArrayAccess(host, entries.bottom->Series, bar), window.start, window.end);
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
    const LevelInputs inputs = ReadLevelInputs(entries);
    if (bar == 0)
        entries.top->DrawStyle = entries.bottom->DrawStyle = inputs.history ? kDrawStyleLine : kDrawStyleNotDrawn;

    const FrameWindow window = TakeFrameWindow(host);
    if (bar == 0) {
        window.start = 0;
        window.end = inputs.frameSize;
        window.lastDrawn = kNotDrawn;
    }
    const ExtremeSeries extremes{Series(host, entries.upperExtreme->Series),
                                 Series(host, entries.lowerExtreme->Series)};
    RecordBarExtremes(host, inputs.highLow, extremes, bar);
    if (bar < inputs.frameSize) return;

    if (inputs.frameSize >= 1) {
        LevelSeries levels(host, entries, inputs.history, bar);
        // A picture already drawn for this bar shows the levels it held
        // before this call; when they move, it is drawn again.
        const bool drawn = window.lastDrawn == bar;
        const BarLevels before = drawn ? levels.At(bar) : BarLevels{};
        if (UpdateBarLevels(inputs, extremes, levels, bar)) {
            window.start = bar;
            window.end = SaturatingAdd(bar, inputs.frameSize);
            window.lastDrawn = kNotDrawn;
        }
        if (drawn && !levels.At(bar).SameBits(before)) window.lastDrawn = kNotDrawn;
    }
    if (bar > window.end) {
        window.end = SaturatingAdd(window.end, inputs.frameSize);
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
