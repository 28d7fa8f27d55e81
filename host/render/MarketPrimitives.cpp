// Candles and the study's level series.
#include <algorithm>
#include <cmath>

#include "host/render/BuildParts.h"

namespace kovra::host {

namespace {

bool Finite(float value) { return std::isfinite(value); }

}  // namespace

BarSpan ExistingBars(const StudyInstance& study, const ChartMapping& mapping) {
    return {std::max(mapping.firstBar, 0), std::min(mapping.lastBar, study.chart().bars.size() - 1)};
}

void AddCandles(BuildContext& context) {
    const ChartMapping& map = context.list.mapping;
    const BarColumns& bars = context.study.chart().bars;
    const BarSpan span = ExistingBars(context.study, map);
    const double bodyWidth = std::max(1.0, std::floor(map.barSpacing * 0.7));
    for (int32_t bar = span.first; bar <= span.last; ++bar) {
        const auto i = static_cast<size_t>(bar);
        const float open = bars.open[i], high = bars.high[i], low = bars.low[i], close = bars.close[i];
        if (!Finite(open) || !Finite(high) || !Finite(low) || !Finite(close)) continue;
        const uint32_t colour = close >= open ? palette::kUpCandle : palette::kDownCandle;
        const double x = map.BarToX(bar);
        AddPrimitive(context.list, PrimitiveKind::kCandle, bar, true,
                     Segment({x, map.PriceToY(high)}, {x, map.PriceToY(low)}, Stroke{colour, 1, PenStyle::kSolid}));
        if (map.barSpacing < 3) continue;  // too narrow for a body: the wick is the bar
        ShapePrimitive body;
        const double top = map.PriceToY(std::max(open, close)), bottom = map.PriceToY(std::min(open, close));
        body.bounds = {x - bodyWidth / 2, top, x + bodyWidth / 2, std::max(bottom, top + 1)};
        body.hasBorder = true;
        body.border = Stroke{colour, 1, PenStyle::kSolid};
        body.fillColour = colour;
        body.fillAlpha = 1;
        AddPrimitive(context.list, PrimitiveKind::kCandle, bar, true, body);
    }
}

// Each run of values: a line through them, or a dash when it has one value
// (see SeriesPlacement.h for which series join their values).
void AddLevelSeries(BuildContext& context) {
    const ChartMapping& map = context.list.mapping;
    const BarSpan span = ExistingBars(context.study, map);
    const double halfDash = std::max(0.5, map.barSpacing * kSeriesDashShare / 2);
    for (const PlacedSeries& series : PlaceLevelSeries(context.study)) {
        if (!series.shown) continue;
        PolylinePrimitive run{{}, series.stroke};
        const auto finishRun = [&] {
            if (run.points.size() == 1) {
                const PixelPoint p = run.points.front();
                run.points = {{p.x - halfDash, p.y}, {p.x + halfDash, p.y}};
            }
            if (!run.points.empty()) AddPrimitive(context.list, PrimitiveKind::kSeries, series.subgraph, true, run);
            run.points.clear();
        };
        for (int32_t bar = span.first; bar <= span.last; ++bar) {
            const float value = context.study.SeriesValue(series.subgraph, bar);
            if (!Finite(value)) {
                finishRun();
                continue;
            }
            run.points.push_back({map.BarToX(bar), map.PriceToY(value)});
            if (!series.joined) finishRun();
        }
        finishRun();
    }
}

}  // namespace kovra::host
