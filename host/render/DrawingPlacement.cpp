#include "host/render/DrawingPlacement.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace kovra::host {

namespace {

constexpr int32_t kMaxPenWidth = 20;
constexpr int32_t kDefaultFontPoints = 8, kMaxFontPoints = 72;
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr double kTextHaloWidth = 2;  // pixels: one pixel around each glyph

bool PriceGiven(float price) { return price != kNotGivenPrice && std::isfinite(price); }
bool ColourGiven(uint32_t colour) { return colour != kNotGivenColour; }

bool InWindow(int32_t fromBar, int32_t toBar, const BarWindow& window) {
    return std::max(fromBar, toBar) >= window.firstBar && std::min(fromBar, toBar) <= window.lastBar;
}

// A pen of width 0 (or none given) still draws one pixel wide, as platform pens do.
Stroke PenOf(const DrawingRequest& r) {
    const double width = std::clamp<int32_t>(r.PenWidth, 1, kMaxPenWidth);
    return Stroke{ColourGiven(r.LineColour) ? ColourOf(r.LineColour) : 0, width, PenStyleOf(r.PenStyle)};
}

// No border without a line colour; fill transparency 0 is opaque, 100 (or no
// fill colour) none.
ShapeLook ShapeLookOf(const DrawingRequest& r) {
    ShapeLook look;
    look.ellipse = r.DrawingType == kDrawingEllipse;
    look.hasBorder = ColourGiven(r.LineColour);
    look.border = PenOf(r);
    if (ColourGiven(r.FillColour)) {
        const int32_t transparency =
            r.FillTransparency == kNotGivenInteger ? 0 : std::clamp(r.FillTransparency, 0, 100);
        look.fillColour = ColourOf(r.FillColour);
        look.fillAlpha = 1.0 - transparency / 100.0;
    }
    return look;
}

// TextAlignment: a horizontal part (left, centre, right) plus a vertical part
// (top, middle, bottom); unknown parts count as left and top. At an edge marker
// the text lies inside the window against that edge, whatever its horizontal part.
TextLook TextLookOf(const DrawingRequest& r, const std::string& text, TextAnchor anchor, uint32_t chartColour) {
    const int32_t alignment = r.TextAlignment == kNotGivenInteger ? kAlignLeft + kAlignTop : r.TextAlignment;
    const int32_t horizontalPart = alignment & kAlignHorizontalMask, verticalPart = alignment & kAlignVerticalMask;
    TextLook look;
    look.lines = SplitTextLines(text);
    look.colour = ColourGiven(r.LineColour) ? ColourOf(r.LineColour) : 0;
    const int32_t points = r.FontSize <= 0 ? kDefaultFontPoints : std::min(r.FontSize, kMaxFontPoints);
    look.fontPixels = points * kPixelsPerPoint;
    look.halo = TextHalo{ColourOf(chartColour), kTextHaloWidth};
    look.horizontal = anchor == TextAnchor::kLeftEdge    ? HorizontalAlign::kLeft
                      : anchor == TextAnchor::kRightEdge ? HorizontalAlign::kRight
                      : horizontalPart == kAlignCentre   ? HorizontalAlign::kCentre
                      : horizontalPart == kAlignRight    ? HorizontalAlign::kRight
                                                         : HorizontalAlign::kLeft;
    look.vertical = verticalPart == kAlignMiddle   ? VerticalAlign::kCentre
                    : verticalPart == kAlignBottom ? VerticalAlign::kBottom
                                                   : VerticalAlign::kTop;
    look.anchor = anchor;
    return look;
}

// A placement, or the reason there is none.
struct Outcome {
    std::optional<PlacedDrawing> placed;
    std::string reason;
};

Outcome PlaceText(const DrawingRequest& r, const std::string& text, const Chart& chart, const BarWindow& window) {
    const BarColumns& bars = chart.bars;
    if (!PriceGiven(r.FirstPrice)) return {{}, "text without a price"};
    int32_t bar = r.FirstBar;
    TextAnchor anchor = TextAnchor::kBar;
    if (r.FirstBar == kNotGivenInteger) {
        if (r.FirstDateTime == kLeftEdgeMarker) anchor = TextAnchor::kLeftEdge;
        if (r.FirstDateTime == kRightEdgeMarker) anchor = TextAnchor::kRightEdge;
        if (anchor == TextAnchor::kBar) {
            if (r.FirstDateTime == kNotGivenInteger) return {{}, "text without a bar or date-time"};
            bar = BarAtOrBefore(bars, r.FirstDateTime);
            if (bar < 0) return {{}, "text dated before the first bar"};
        }
    }
    if (anchor == TextAnchor::kBar && !InWindow(bar, bar, window)) return {{}, "text anchored outside the window"};
    return {PlacedDrawing{r.DrawingId, r.DrawingType, bar, bar, r.FirstPrice, r.FirstPrice,
                          TextLookOf(r, text, anchor, chart.backgroundColour)},
            {}};
}

Outcome PlaceTwoPoints(const DrawingRequest& r, const BarWindow& window) {
    if (r.FirstBar == kNotGivenInteger || r.SecondBar == kNotGivenInteger) return {{}, "a bar not given"};
    if (!PriceGiven(r.FirstPrice) || !PriceGiven(r.SecondPrice)) return {{}, "a price not given"};
    if (!InWindow(r.FirstBar, r.SecondBar, window)) return {{}, "bars outside the window"};
    PlacedDrawing placed{r.DrawingId, r.DrawingType, r.FirstBar, r.SecondBar, r.FirstPrice, r.SecondPrice, {}};
    if (r.DrawingType == kDrawingLine) {
        placed.look = LineLook{PenOf(r)};
    } else {
        placed.look = ShapeLookOf(r);
    }
    return {std::move(placed), {}};
}

Outcome Place(const StoredDrawing& stored, const Chart& chart, const BarWindow& window) {
    const DrawingRequest request = stored.request();
    switch (request.DrawingType) {
        case kDrawingText:
            return PlaceText(request, stored.text, chart, window);
        case kDrawingLine:
        case kDrawingRectangle:
        case kDrawingEllipse:
            return PlaceTwoPoints(request, window);
        default:
            return {{}, "drawing type " + std::to_string(request.DrawingType) + " not drawn"};
    }
}

}  // namespace

int32_t BarAtOrBefore(const BarColumns& bars, int64_t dateTime) {
    const auto after = std::upper_bound(bars.dateTimes.begin(), bars.dateTimes.end(), dateTime);
    return static_cast<int32_t>(after - bars.dateTimes.begin()) - 1;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    for (size_t start = 0;;) {
        const size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) return lines;
        start = end + 1;
    }
}

DrawingPlacement PlaceDrawings(const StudyInstance& study, const BarWindow& window) {
    DrawingPlacement placement;
    for (const StoredDrawing* stored : study.chart().drawings.DrawingsOf(study.studyIdentifier())) {
        Outcome outcome = Place(*stored, study.chart(), window);
        if (outcome.placed) {
            placement.placed.push_back(std::move(*outcome.placed));
        } else {
            placement.omitted.push_back(OmittedDrawing{stored->drawingId(), std::move(outcome.reason)});
        }
    }
    return placement;
}

}  // namespace kovra::host
