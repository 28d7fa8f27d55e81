// What a chart picture shows, in pixel space: an ordered list of primitives
// plus the mapping that placed them. The image writer paints this list as it
// is; tests and the interactive page read it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kovra::host {

struct PixelPoint {
    double x = 0, y = 0;
};

struct PixelRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

// Pen styles in the order of the record's line styles.
enum class PenStyle : uint8_t { kSolid, kDash, kDot, kDashDot, kDashDotDot };

// A pen style's dashes and gaps, in line widths (empty: solid).
inline std::vector<double> DashPattern(PenStyle style) {
    switch (style) {
        case PenStyle::kDash:
            return {6, 3};
        case PenStyle::kDot:
            return {1.5, 1.5};
        case PenStyle::kDashDot:
            return {6, 3, 1.5, 3};
        case PenStyle::kDashDotDot:
            return {6, 3, 1.5, 3, 1.5, 3};
        case PenStyle::kSolid:
            break;
    }
    return {};
}

// The colour a platform colour value names: 0x00BBGGRR, its top byte ignored.
constexpr uint32_t ColourOf(uint32_t platformColour) { return platformColour & 0x00FFFFFFu; }

struct Stroke {
    uint32_t colour = 0;  // 0x00BBGGRR
    double width = 1;     // pixels
    PenStyle style = PenStyle::kSolid;
};

// Where a text's anchor lies on its box: left aligned starts at the anchor,
// top aligned hangs from it.
enum class HorizontalAlign : uint8_t { kLeft, kCentre, kRight };
enum class VerticalAlign : uint8_t { kTop, kCentre, kBottom };

// Two or more points joined by straight segments.
struct PolylinePrimitive {
    std::vector<PixelPoint> points;
    Stroke stroke;
};

// A rectangle, or the ellipse inscribed in it.
struct ShapePrimitive {
    bool ellipse = false;
    PixelRect bounds;
    bool hasBorder = false;
    Stroke border;
    uint32_t fillColour = 0;  // 0x00BBGGRR
    double fillAlpha = 0;     // 0 no fill .. 1 opaque
};

// An outline painted under a text's glyphs, so the text stands out from what lies beneath.
struct TextHalo {
    uint32_t colour = 0;  // 0x00BBGGRR
    double width = 0;     // the outline's pen width in pixels; 0: no halo
};

// A text already laid out: its lines, the box they fill and one baseline per line.
struct TextPrimitive {
    std::vector<std::string> lines;
    std::vector<PixelPoint> baselines;  // where each line starts, on its baseline
    PixelRect box;
    uint32_t colour = 0;  // 0x00BBGGRR
    double fontPixels = 10;
    bool bold = false;
    TextHalo halo;
};

// What a primitive stands for; `index` is the drawing's DrawingId, the
// subgraph, the bar or the button number, else 0.
enum class PrimitiveKind : uint8_t {
    kBackground,
    kPriceGrid,
    kTimeGrid,
    kCandle,
    kSeries,
    kDrawing,
    kPriceScale,
    kTimeAxis,
    kTitle,
    kControlBar
};

struct Primitive {
    PrimitiveKind kind;
    int32_t index = 0;
    bool clipToPlot = false;  // drawn only inside the chart window's area
    std::variant<PolylinePrimitive, ShapePrimitive, TextPrimitive> shape;
};

// Bars and prices to pixels. Bar b's centre lies at plot.left + (b - firstBar + 0.5) * barSpacing,
// for every b, also beyond the chart's last bar.
struct ChartMapping {
    PixelRect plot;         // the chart window: candles and study drawings
    int32_t firstBar = 0;   // first and last bar slot of the window
    int32_t lastBar = 0;    // (lastBar may lie beyond the chart's last bar)
    double barSpacing = 1;  // pixels per bar
    double priceLow = 0;    // prices at the plot's bottom and top edge
    double priceHigh = 1;

    double BarToX(double bar) const { return plot.left + (bar - firstBar + 0.5) * barSpacing; }
    double PriceToY(double price) const {
        return plot.bottom - (price - priceLow) / (priceHigh - priceLow) * plot.height();
    }
};

// A study drawing the picture leaves out, and why.
struct OmittedDrawing {
    int32_t drawingId;
    std::string reason;
};

struct DisplayList {
    int32_t width = 0, height = 0;
    uint32_t background = 0x00FFFFFF;  // 0x00BBGGRR
    ChartMapping mapping;
    std::vector<Primitive> primitives;  // in painting order
    std::vector<OmittedDrawing> omitted;
};

}  // namespace kovra::host
