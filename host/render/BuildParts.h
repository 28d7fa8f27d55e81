// The pieces BuildDisplayList assembles, each appending its primitives to
// the list in painting order.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/render/ChartFont.h"
#include "host/render/ChartLayout.h"
#include "host/render/DisplayList.h"
#include "host/render/DrawingPlacement.h"
#include "host/render/PictureLook.h"
#include "host/render/PriceTicks.h"
#include "host/render/SeriesPlacement.h"
#include "host/render/TimeMarks.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyOutputs.h"

namespace kovra::host {

struct BuildContext {
    const StudyInstance& study;
    const ChartLayout& layout;
    DisplayList& list;  // its mapping is set before any piece runs
    TextMeasure& measure;
};

struct TextStyle {
    uint32_t colour;
    double pixels;
    bool bold = false;
};

// Lays out `lines` so the anchor is at the aligned side of their box: left
// aligned starts at x, top aligned hangs from y.
TextPrimitive LayoutText(TextMeasure& measure, std::vector<std::string> lines, PixelPoint anchor,
                         HorizontalAlign horizontal, VerticalAlign vertical, const TextStyle& style);
// The same for a text split at line feeds.
TextPrimitive LayoutText(TextMeasure& measure, std::string_view text, PixelPoint anchor, HorizontalAlign horizontal,
                         VerticalAlign vertical, const TextStyle& style);

void AddPrimitive(DisplayList& list, PrimitiveKind kind, int32_t index, bool clipToPlot,
                  std::variant<PolylinePrimitive, ShapePrimitive, TextPrimitive> shape);
PolylinePrimitive Segment(PixelPoint from, PixelPoint to, const Stroke& stroke);

// The bars of the window that exist on the chart.
struct BarSpan {
    int32_t first, last;  // first > last when there are none
};
BarSpan ExistingBars(const StudyInstance& study, const ChartMapping& mapping);

void AddGrid(BuildContext& context, const PriceTicks& ticks, const std::vector<TimeMark>& marks);
void AddCandles(BuildContext& context);
void AddLevelSeries(BuildContext& context);
// The drawings of one layer, in the order submitted.
void AddDrawings(BuildContext& context, const std::vector<PlacedDrawing>& drawings, DrawingLayer layer);
void AddAxes(BuildContext& context, const PriceTicks& ticks, const std::vector<TimeMark>& marks);
void AddTitle(BuildContext& context);
void AddControlBar(BuildContext& context);

}  // namespace kovra::host
