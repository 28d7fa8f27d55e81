#include "host/render/ChartLayout.h"

#include <algorithm>
#include <cmath>

#include "host/render/PictureLimits.h"
#include "host/render/PictureLook.h"
#include "host/runtime/StudyOutputs.h"

namespace kovra::host {

namespace {

constexpr double kControlBarHeight = 30, kTitleHeight = 24, kPriceScaleWidth = 78;
constexpr int32_t kFallbackBars = 100;

int32_t RoomFor(int32_t bars) { return std::max(2, (bars + 7) / 8); }

}  // namespace

ChartLayout LayoutChart(int32_t width, int32_t height) {
    const double w = width, h = height;
    ChartLayout layout;
    layout.controlBar = {0, 0, w, kControlBarHeight};
    layout.title = {0, kControlBarHeight, w - kPriceScaleWidth, kControlBarHeight + kTitleHeight};
    layout.plot = {0, layout.title.bottom, w - kPriceScaleWidth, h - axes::kTimeAxisHeight};
    layout.priceScale = {layout.plot.right, layout.plot.top, w, layout.plot.bottom};
    layout.timeAxis = {0, layout.plot.bottom, w, h};
    return layout;
}

BarWindow ChooseBarWindow(const StudyInstance& study, int32_t windowBars) {
    const int32_t lastBar = std::max(study.chart().bars.size() - 1, 0);
    if (windowBars > 0) {
        const int32_t bars = std::min(windowBars, kMaxWindowSlots);
        return {std::max(lastBar - bars + 1, 0), lastBar + RoomFor(bars)};
    }
    const FrameWindow frame = FrameWindowOf(study);
    const int32_t start = frame.start, end = frame.end;
    if (start >= 0 && start <= lastBar && end > start && end - start <= kMaxWindowSlots) {
        // Half a frame of history before it shows how the levels got there.
        const int32_t lead = std::max(2, (end - start + 1) / 2);
        return {std::max(start - lead, 0), std::max(end, lastBar) + RoomFor(end - start)};
    }
    return {std::max(lastBar - kFallbackBars + 1, 0), lastBar + RoomFor(kFallbackBars)};
}

ChartMapping MapChart(const PixelRect& plot, const BarWindow& window, PriceRange range) {
    if (!(range.low <= range.high)) range = {0, 1};
    if (range.high - range.low < 1e-9 * std::max(1.0, std::abs(range.high))) {
        const double half = std::max(std::abs(range.high) * 0.01, 0.5);
        range = {range.low - half, range.high + half};
    }
    const double margin = (range.high - range.low) * 0.04;
    ChartMapping mapping;
    mapping.plot = plot;
    mapping.firstBar = window.firstBar;
    mapping.lastBar = window.lastBar;
    mapping.barSpacing = plot.width() / (window.lastBar - window.firstBar + 1);
    mapping.priceLow = range.low - margin;
    mapping.priceHigh = range.high + margin;
    return mapping;
}

}  // namespace kovra::host
