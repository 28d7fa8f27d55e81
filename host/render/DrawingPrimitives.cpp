// The study's drawings as the platform shows them.
#include <algorithm>
#include <cmath>

#include "host/render/BuildParts.h"

namespace kovra::host {

namespace {

constexpr int32_t kMaxPenWidth = 20;
constexpr int32_t kDefaultFontPoints = 8, kMaxFontPoints = 72;
constexpr double kPixelsPerPoint = 96.0 / 72.0;

bool ColourGiven(uint32_t colour) { return colour != kNotGivenColour; }
uint32_t ColourOf(uint32_t colour) { return colour & 0x00FFFFFFu; }

// A pen of width 0 (or none given) still draws one pixel wide, as platform pens do.
Stroke PenOf(const DrawingRequest& r) {
    const double width = std::clamp<int32_t>(r.PenWidth, 1, kMaxPenWidth);
    return Stroke{ColourGiven(r.LineColour) ? ColourOf(r.LineColour) : 0, width, PenStyleOf(r.PenStyle)};
}

PolylinePrimitive LineOf(const PlacedDrawing& placed, const ChartMapping& map) {
    return Segment({map.BarToX(placed.firstBar), map.PriceToY(placed.firstPrice)},
                   {map.BarToX(placed.secondBar), map.PriceToY(placed.secondPrice)}, PenOf(placed.drawing->request));
}

// Corners at the two bars' centres and the two prices; no border without a
// line colour; fill transparency 0 is opaque, 100 (or no fill colour) none.
ShapePrimitive ShapeOf(const PlacedDrawing& placed, const ChartMapping& map) {
    const DrawingRequest& r = placed.drawing->request;
    const double x1 = map.BarToX(placed.firstBar), x2 = map.BarToX(placed.secondBar);
    const double y1 = map.PriceToY(placed.firstPrice), y2 = map.PriceToY(placed.secondPrice);
    ShapePrimitive shape;
    shape.ellipse = r.DrawingType == kDrawingEllipse;
    shape.bounds = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    shape.hasBorder = ColourGiven(r.LineColour);
    shape.border = PenOf(r);
    if (ColourGiven(r.FillColour)) {
        const int32_t transparency =
            r.FillTransparency == kNotGivenInteger ? 0 : std::clamp(r.FillTransparency, 0, 100);
        shape.fillColour = ColourOf(r.FillColour);
        shape.fillAlpha = 1.0 - transparency / 100.0;
    }
    return shape;
}

// TextAlignment: a horizontal part (left, centre, right) plus a vertical part
// (top, middle, bottom); unknown parts count as left and top. At an edge marker
// the text lies inside the window against that edge, whatever its horizontal part.
TextPrimitive TextOf(const PlacedDrawing& placed, const ChartMapping& map, TextMeasure& measure) {
    const DrawingRequest& r = placed.drawing->request;
    const int32_t alignment = r.TextAlignment == kNotGivenInteger ? kAlignLeft + kAlignTop : r.TextAlignment;
    const int32_t horizontalPart = alignment & kAlignHorizontalMask, verticalPart = alignment & kAlignVerticalMask;
    HorizontalAlign horizontal = horizontalPart == kAlignCentre  ? HorizontalAlign::kCentre
                                 : horizontalPart == kAlignRight ? HorizontalAlign::kRight
                                                                 : HorizontalAlign::kLeft;
    const VerticalAlign vertical = verticalPart == kAlignMiddle   ? VerticalAlign::kCentre
                                   : verticalPart == kAlignBottom ? VerticalAlign::kBottom
                                                                  : VerticalAlign::kTop;
    double x = map.BarToX(placed.firstBar);
    if (placed.anchor == TextAnchor::kLeftEdge) {
        x = map.plot.left;
        horizontal = HorizontalAlign::kLeft;
    } else if (placed.anchor == TextAnchor::kRightEdge) {
        x = map.plot.right;
        horizontal = HorizontalAlign::kRight;
    }
    const int32_t points = r.FontSize <= 0 ? kDefaultFontPoints : std::min(r.FontSize, kMaxFontPoints);
    const TextStyle style{ColourGiven(r.LineColour) ? ColourOf(r.LineColour) : 0, points * kPixelsPerPoint};
    return LayoutText(measure, placed.drawing->text, {x, map.PriceToY(placed.firstPrice)}, horizontal, vertical, style);
}

}  // namespace

void AddDrawings(BuildContext& context, const std::vector<PlacedDrawing>& drawings) {
    const ChartMapping& map = context.list.mapping;
    for (const PlacedDrawing& placed : drawings) {
        const int32_t id = placed.drawing->request.DrawingId;
        switch (placed.drawing->request.DrawingType) {
            case kDrawingLine:
                AddPrimitive(context.list, PrimitiveKind::kDrawing, id, true, LineOf(placed, map));
                break;
            case kDrawingText:
                AddPrimitive(context.list, PrimitiveKind::kDrawing, id, true, TextOf(placed, map, context.measure));
                break;
            default: AddPrimitive(context.list, PrimitiveKind::kDrawing, id, true, ShapeOf(placed, map)); break;
        }
    }
}

}  // namespace kovra::host
