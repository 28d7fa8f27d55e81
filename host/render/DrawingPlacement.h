// The study's drawings in force, placed on bars and prices with their look
// resolved, and those the chart window cannot show. This is the one model the
// picture's painter and the live page both draw: they only map bar positions
// and prices to pixels.
//
// A text is anchored at FirstBar when that is given; otherwise by
// FirstDateTime: the two edge markers put it at the left or right edge of
// the window, any other date-time at the last bar at or before it. (The study
// sends the left edge marker on every price label by default, so a FirstBar
// the label settings ask for must take precedence over it.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/render/ChartLayout.h"
#include "host/render/DisplayList.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// The record's line styles, solid to dash-dot-dot; anything else draws solid.
inline PenStyle PenStyleOf(int32_t style) {
    return style >= kLineStyleSolid && style <= kLineStyleDashDotDot ? static_cast<PenStyle>(style) : PenStyle::kSolid;
}

enum class TextAnchor : uint8_t { kBar, kLeftEdge, kRightEdge };

// A straight line between the two points.
struct LineLook {
    Stroke pen;
};

// A rectangle between the two bars' centres and the two prices, or the
// ellipse inscribed in it.
struct ShapeLook {
    bool ellipse = false;
    bool hasBorder = false;
    Stroke border;
    uint32_t fillColour = 0;  // 0x00BBGGRR
    double fillAlpha = 0;     // 0 no fill .. 1 opaque
};

// Lines of text at the first point (or against a window edge), aligned there,
// over a thin halo in the chart's background colour so they read on any fill.
struct TextLook {
    std::vector<std::string> lines;
    uint32_t colour = 0;  // 0x00BBGGRR
    double fontPixels = 0;
    TextHalo halo;
    HorizontalAlign horizontal = HorizontalAlign::kLeft;
    VerticalAlign vertical = VerticalAlign::kTop;
    TextAnchor anchor = TextAnchor::kBar;
};

struct PlacedDrawing {
    int32_t drawingId;
    int32_t drawingType;
    int32_t firstBar, secondBar;    // a text's anchor bar is firstBar (unused at an edge)
    float firstPrice, secondPrice;  // a text uses firstPrice only
    std::variant<LineLook, ShapeLook, TextLook> look;
};

// Where a drawing is painted among the bars (candles and level series):
// rectangles and ellipses beneath them, so the bars read through the shapes;
// lines and texts above them. The picture and the page both paint by this.
enum class DrawingLayer : uint8_t { kBeneathBars, kAboveBars };

inline DrawingLayer LayerOf(const PlacedDrawing& placed) {
    return std::holds_alternative<ShapeLook>(placed.look) ? DrawingLayer::kBeneathBars : DrawingLayer::kAboveBars;
}

struct DrawingPlacement {
    std::vector<PlacedDrawing> placed;  // in submission order
    std::vector<OmittedDrawing> omitted;
};

// Places every drawing of the study that shows in `window`.
DrawingPlacement PlaceDrawings(const StudyInstance& study, const BarWindow& window);

// The last bar whose date-time is at or before `dateTime`; -1 when there is none.
int32_t BarAtOrBefore(const BarColumns& bars, int64_t dateTime);

// A text's lines, split at line feeds (a carriage return before one is dropped).
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace kovra::host
