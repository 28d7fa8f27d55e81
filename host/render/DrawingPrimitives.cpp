// The study's drawings in the picture: the placed drawings mapped to pixels.
#include <algorithm>
#include <type_traits>

#include "host/render/BuildParts.h"

namespace kovra::host {

namespace {

PixelPoint FirstPoint(const PlacedDrawing& placed, const ChartMapping& map) {
    return {map.BarToX(placed.firstBar), map.PriceToY(placed.firstPrice)};
}
PixelPoint SecondPoint(const PlacedDrawing& placed, const ChartMapping& map) {
    return {map.BarToX(placed.secondBar), map.PriceToY(placed.secondPrice)};
}

PolylinePrimitive LineOf(const PlacedDrawing& placed, const LineLook& look, const ChartMapping& map) {
    return Segment(FirstPoint(placed, map), SecondPoint(placed, map), look.pen);
}

ShapePrimitive ShapeOf(const PlacedDrawing& placed, const ShapeLook& look, const ChartMapping& map) {
    const PixelPoint a = FirstPoint(placed, map), b = SecondPoint(placed, map);
    ShapePrimitive shape;
    shape.ellipse = look.ellipse;
    shape.bounds = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    shape.hasBorder = look.hasBorder;
    shape.border = look.border;
    shape.fillColour = look.fillColour;
    shape.fillAlpha = look.fillAlpha;
    return shape;
}

// An edge-anchored text stands against that edge of the chart window.
TextPrimitive TextOf(const PlacedDrawing& placed, const TextLook& look, const ChartMapping& map, TextMeasure& measure) {
    const double x = look.anchor == TextAnchor::kLeftEdge    ? map.plot.left
                     : look.anchor == TextAnchor::kRightEdge ? map.plot.right
                                                             : map.BarToX(placed.firstBar);
    TextPrimitive text = LayoutText(measure, look.lines, {x, map.PriceToY(placed.firstPrice)}, look.horizontal,
                                    look.vertical, TextStyle{look.colour, look.fontPixels});
    text.halo = look.halo;
    return text;
}

}  // namespace

void AddDrawings(BuildContext& context, const std::vector<PlacedDrawing>& drawings, DrawingLayer layer) {
    const ChartMapping& map = context.list.mapping;
    for (const PlacedDrawing& placed : drawings) {
        if (LayerOf(placed) != layer) continue;
        std::visit(
            [&](const auto& look) {
                using Look = std::decay_t<decltype(look)>;
                if constexpr (std::is_same_v<Look, LineLook>) {
                    AddPrimitive(context.list, PrimitiveKind::kDrawing, placed.drawingId, true,
                                 LineOf(placed, look, map));
                } else if constexpr (std::is_same_v<Look, ShapeLook>) {
                    AddPrimitive(context.list, PrimitiveKind::kDrawing, placed.drawingId, true,
                                 ShapeOf(placed, look, map));
                } else {
                    AddPrimitive(context.list, PrimitiveKind::kDrawing, placed.drawingId, true,
                                 TextOf(placed, look, map, context.measure));
                }
            },
            placed.look);
    }
}

}  // namespace kovra::host
