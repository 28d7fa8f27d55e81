// The light grid behind the chart, the price scale and the time axis.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/render/BuildParts.h"

namespace kovra::host {

namespace {

std::string PriceText(double price, int32_t decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(decimals), price);
    return text;
}

ShapePrimitive Panel(const PixelRect& area, uint32_t fill) {
    ShapePrimitive panel;
    panel.bounds = area;
    panel.fillColour = fill;
    panel.fillAlpha = 1;
    return panel;
}

// The last bar's close on the scale, in its candle's colour.
void AddLastPrice(BuildContext& context) {
    const BarColumns& bars = context.study.chart().bars;
    const ChartMapping& map = context.list.mapping;
    const int32_t last = bars.size() - 1;
    if (last < 0 || !std::isfinite(bars.close.back()) || last < map.firstBar || last > map.lastBar) return;
    const double y = map.PriceToY(bars.close.back());
    if (y < map.plot.top || y > map.plot.bottom) return;
    const uint32_t colour = bars.close.back() >= bars.open.back() ? palette::kUpCandle : palette::kDownCandle;
    const int32_t decimals = PriceDecimalsOf(context.study.record().ValueFormat);
    TextPrimitive text = LayoutText(context.measure, PriceText(bars.close.back(), decimals),
                                    {context.layout.priceScale.left + 6, y}, HorizontalAlign::kLeft,
                                    VerticalAlign::kCentre, TextStyle{Rgb(255, 255, 255), axes::kFontPixels, true});
    ShapePrimitive marker =
        Panel({context.layout.priceScale.left, text.box.top - 2, context.layout.priceScale.right, text.box.bottom + 2},
              colour);
    AddPrimitive(context.list, PrimitiveKind::kPriceScale, 0, false, marker);
    AddPrimitive(context.list, PrimitiveKind::kPriceScale, 0, false, std::move(text));
}

}  // namespace

void AddGrid(BuildContext& context, const PriceTicks& ticks, const std::vector<TimeMark>& marks) {
    const ChartMapping& map = context.list.mapping;
    const Stroke grid{palette::kGrid, 1, PenStyle::kSolid};
    for (const double price : ticks.prices) {
        const double y = map.PriceToY(price);
        AddPrimitive(context.list, PrimitiveKind::kPriceGrid, 0, true,
                     Segment({map.plot.left, y}, {map.plot.right, y}, grid));
    }
    for (const TimeMark& mark : marks) {
        const double x = map.BarToX(mark.bar);
        AddPrimitive(context.list, PrimitiveKind::kTimeGrid, mark.bar, true,
                     Segment({x, map.plot.top}, {x, map.plot.bottom}, grid));
    }
}

void AddAxes(BuildContext& context, const PriceTicks& ticks, const std::vector<TimeMark>& marks) {
    const ChartMapping& map = context.list.mapping;
    const PixelRect& scale = context.layout.priceScale;
    const PixelRect& axis = context.layout.timeAxis;
    const Stroke edge{palette::kAxisLine, 1, PenStyle::kSolid};
    AddPrimitive(context.list, PrimitiveKind::kPriceScale, 0, false, Panel(scale, palette::kPanel));
    AddPrimitive(context.list, PrimitiveKind::kTimeAxis, 0, false, Panel(axis, palette::kPanel));
    AddPrimitive(context.list, PrimitiveKind::kPriceScale, 0, false,
                 Segment({scale.left, scale.top}, {scale.left, scale.bottom}, edge));
    AddPrimitive(context.list, PrimitiveKind::kTimeAxis, 0, false,
                 Segment({axis.left, axis.top}, {axis.right, axis.top}, edge));
    const TextStyle style{palette::kText, axes::kFontPixels};
    for (const double price : ticks.prices) {
        const double y = map.PriceToY(price);
        AddPrimitive(context.list, PrimitiveKind::kPriceScale, 0, false,
                     Segment({scale.left, y}, {scale.left + axes::kTickLength, y}, edge));
        AddPrimitive(context.list, PrimitiveKind::kPriceScale, 0, false,
                     LayoutText(context.measure, PriceText(price, ticks.decimals), {scale.left + 7, y},
                                HorizontalAlign::kLeft, VerticalAlign::kCentre, style));
    }
    AddLastPrice(context);
    for (const TimeMark& mark : marks) {
        const double x = map.BarToX(mark.bar);
        AddPrimitive(context.list, PrimitiveKind::kTimeAxis, mark.bar, false,
                     Segment({x, axis.top}, {x, axis.top + axes::kTickLength}, edge));
        const std::string text = mark.under.empty() ? mark.text : mark.text + "\n" + mark.under;
        TextPrimitive laid = LayoutText(context.measure, text, {x, axis.top + axes::kTickLength + axes::kTimeTextGap},
                                        HorizontalAlign::kCentre, VerticalAlign::kTop, style);
        // A mark at the window's first bar is pushed in rather than cut off.
        const double shift = std::max(0.0, axis.left + axes::kTimeTextMargin - laid.box.left);
        laid.box.left += shift;
        laid.box.right += shift;
        for (PixelPoint& baseline : laid.baselines) baseline.x += shift;
        AddPrimitive(context.list, PrimitiveKind::kTimeAxis, mark.bar, false, std::move(laid));
    }
}

}  // namespace kovra::host
